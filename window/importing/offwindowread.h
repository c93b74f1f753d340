#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

class Progress;

// The work a read of a source does on its own thread: it ends soon after `stop`
// is set, and tells how many books it has read through `tell`, which returns once
// the window has shown the count (and heard any Annulla).
using SourceWork =
    std::function<void(const std::atomic<bool>& stop, const std::function<void(std::uint64_t read)>& tell)>;

// Runs `work` off the window's thread, so that a file that takes long to read (a
// large list, or a file made to take forever) never holds the window still: it
// keeps painting, and after `progressAfterMs` (at once for 0) the progress made by
// `makeProgress` offers Annulla, which sets the work's stop. The window's keys and
// clicks wait until that progress is up, so no other command starts meanwhile.
// Returns false when the user stopped the work (whatever it threw then is
// dropped); otherwise rethrows what the work threw.
bool readOffWindow(const SourceWork& work, const std::function<std::unique_ptr<Progress>()>& makeProgress,
                   int progressAfterMs);
