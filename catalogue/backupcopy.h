#pragma once

#include <functional>
#include <optional>
#include <string>

namespace catalogue {

// How one copy goes: how much it copies at a time, what it is told between two
// steps, and how often another program's writes may make it start again.
struct CopyControl {
    // Called after each step with the pages still to copy and the file's pages;
    // returning false abandons the copy.
    std::function<bool(int remaining, int total)> afterStep;
    int pagesPerStep = 1024;   ///< 4 MB of a catalogue's 4 KB pages: the file's read lock is held that long
    int restartsAllowed = 3;   ///< another program's writes start the copy again at most this often
};

// Copies the SQLite database at `source` to `target` with SQLite's online backup,
// never by reading the bytes of a file that may be open. The copy is written under
// `target` + ".parziale" in the same folder, checked with PRAGMA quick_check, made
// to reach the disk, and only then renamed to `target`: a copy abandoned or failed
// never has the final name, and its temporary file is removed. Throws Error when
// the source cannot be read, the folder or disk refuses the file (the description
// says why), another program kept writing the source, `afterStep` stopped it, or
// the copy does not pass the check.
void copyDatabase(const std::string& source, const std::string& target, const CopyControl& control = {});

// True when the file opens read-only and PRAGMA quick_check answers "ok". Never throws.
bool passesQuickCheck(const std::string& path);

// The books in the table `dorvi` of the file at `path`, read-only; nothing when it
// cannot be read. Never throws.
std::optional<long long> countBooks(const std::string& path);

// Replaces every page of the catalogue at `catalogue` with those of the file at
// `copy`, in one transaction of the catalogue's own journal: all or nothing, and
// the file keeps its name, identity and permissions. It goes in steps of
// `control.pagesPerStep`, telling `control.afterStep` after each; the catalogue's
// write lock is held throughout, so no other program sees half a restore. Throws
// Error, with nothing changed: Locked while another program holds the catalogue;
// Generic when `afterStep` stopped it; others as the engine raises them.
void restoreDatabase(const std::string& copy, const std::string& catalogue, const CopyControl& control = {});

} // namespace catalogue
