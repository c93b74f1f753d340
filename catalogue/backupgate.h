#pragma once

#include <functional>
#include <string>

namespace catalogue {

// Holds the program's own writes to a catalogue while a copy of it is being made,
// so that the copy shows the file as it was before them and is never started again
// by them. A copy registers itself for as long as it runs; every write of the
// program asks the gate first (Connection::prepareForWriting).
class BackupGate {
public:
    // How a write waits: `finished` tells when the copy is done. The window waits
    // with its event loop running, so it keeps painting; without a waiter of its
    // own a write simply blocks until the copy ends.
    using Waiter = std::function<void(const std::function<bool()>& finished)>;
    static void setWaiter(Waiter waiter);

    // Returns once no copy of the file at `path` is running. Never throws.
    static void waitFor(const std::string& path);
    static bool isCopying(const std::string& path);

    // A copy of the file at `path` runs while this lives.
    class Running {
    public:
        explicit Running(const std::string& path);
        ~Running();
        Running(const Running&) = delete;
        Running& operator=(const Running&) = delete;

    private:
        unsigned long long m_device = 0;
        unsigned long long m_inode = 0;
        bool m_known = false;
    };
};

} // namespace catalogue
