#pragma once

#include "backupcopy.h"
#include "backupfolder.h"

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace catalogue {

// One safety copy in the folder.
struct SafetyCopy {
    std::string path;
    CopyStamp made;
    long long bytes = 0;
    CopyReason reason;
};

// The safety copies of one catalogue, in the folder `copie` beside it. This is
// what every feature that changes the file's structure or brings in many books at
// once calls first (`make`), whatever the time of the last copy.
class SafetyCopies {
public:
    using Clock = std::function<std::chrono::system_clock::time_point()>;

    // `clock` gives the time copies are named by and kept by; the system's by default.
    explicit SafetyCopies(std::string cataloguePath, Clock clock = {});

    const std::string& cataloguePath() const { return m_cataloguePath; }
    std::string folder() const;
    // The copies in the folder, newest first; other files are not listed. Never throws.
    std::vector<SafetyCopy> list() const;
    // Whether a copy of today (local time) is in the folder.
    bool madeToday() const;

    // Copies the catalogue now into the folder (made if missing), named by the
    // clock and `reason`, then removes the copies no longer kept. Returns the copy
    // made. Throws Error, saying why (the folder or disk refusing it, a damaged
    // catalogue, another program writing it), with no copy left behind.
    SafetyCopy make(const CopyControl& control = {}) const;
    SafetyCopy make(const CopyReason& reason, const CopyControl& control = {}) const;
    // Removes the copies the folder no longer keeps (see copiesToRemove): regular
    // files of the folder itself only. When `copie` is a symbolic link, the folder
    // it leads to may hold anything of anyone's, and nothing is removed there.
    void rotate() const;
    // Removes what copies cut short (a kill, a power cut) left in the folder: a
    // copy's temporary file no process holds and none has written for some
    // minutes. For the start of a program, before it makes copies of its own.
    // Never throws.
    void removeStalePartials() const;

    // Puts `copy` in place of the catalogue, after a copy of the catalogue as it is
    // now (so the restore can itself be undone); returns that copy. Throws Error,
    // with the catalogue unchanged, when the first copy cannot be made or another
    // program holds the catalogue. Both the first copy and the restore go in steps
    // told to `control.afterStep` as one task, each half of it; stopping either
    // leaves the catalogue unchanged.
    SafetyCopy restore(const SafetyCopy& copy, const CopyControl& control = {}) const;
    // For a catalogue too damaged to be copied: the damaged file is kept beside it
    // under the first free name of "dorvi.mdb.danneggiato", "….danneggiato-2", …
    // (with its journal, if any), never deleted, and `copy` takes its place.
    // Returns where the damaged file is kept. Throws Error, with the damaged file
    // left where it was, when the copy cannot be put in place.
    std::string replaceDamaged(const SafetyCopy& copy) const;

private:
    std::string nextCopyPath(const CopyReason& reason) const;

    std::string m_cataloguePath;
    Clock m_clock;
};

} // namespace catalogue
