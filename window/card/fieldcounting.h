#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// The "Campi" dialog's counts of the books holding a value in each field, made on
// a thread of its own with its own read-only connection: one pass over a million
// books takes about 1.5 s of CPU, and the dialog opens without waiting for it.
class FieldCounting {
public:
    using Counts = std::map<std::string, long long>; ///< by column name
    // `arrived` runs on the thread that makes this object, while it lives: with the
    // counts, or with nothing when the file could not be read.
    explicit FieldCounting(std::function<void(std::optional<Counts>)> arrived);
    FieldCounting(const FieldCounting&) = delete;
    FieldCounting& operator=(const FieldCounting&) = delete;
    ~FieldCounting() { stop(); }

    // Counts `columns` of the catalogue at `path`. A counting still running is
    // stopped first, and what an earlier one would tell is dropped.
    void start(const QString& path, std::vector<std::string> columns);
    // Stops the counting running, within milliseconds, and drops what it would
    // tell: before a change of the file's structure, which the pass's read lock
    // would hold up, and when the dialog goes.
    void stop();

private:
    std::function<void(std::optional<Counts>)> m_arrived;
    // What the counting thread posts its counts to: going with this object, it
    // takes along whatever was posted and not yet delivered.
    std::unique_ptr<QObject> m_receiver = std::make_unique<QObject>();
    int m_generation = 0; ///< read and written on the receiver's thread only
    std::jthread m_thread;
};
