#pragma once

#include <functional>
#include <string>

namespace jetimport {

// How a piece of work run in a child process ended.
struct ChildOutcome {
    bool exited = false;  ///< ended by itself (and then output is what it returned)
    int signal = 0;       ///< the signal that ended it otherwise
    bool outOfTime = false;
    std::string output;
};

// Runs work in a child process with at most cpuSeconds of processor time and
// memoryBytes of address space, its standard output and error sent nowhere, and
// gives back the text it returns. libmdb reads whatever the file says: a damaged
// file can send it out of bounds or round a loop for ever, and that must end the
// child, not the tool. Throws ImportError when no child can be started.
ChildOutcome runInChild(const std::function<std::string()>& work, unsigned cpuSeconds,
                        unsigned long long memoryBytes);

} // namespace jetimport
