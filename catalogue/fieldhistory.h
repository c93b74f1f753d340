#pragma once

#include "fieldchanges.h"
#include "history.h"

#include <functional>
#include <memory>
#include <string>

namespace catalogue {

// The structure changes made with "Campi", as entries of the undo history. Each
// opens the catalogue at `path` for its own write; `afterward` runs once the
// file is changed (the window lists the catalogue again, with its new columns).
// Taking back a removal adds the column again and writes back every value it
// held; taking back an addition removes the column, keeping what was typed into it
// meanwhile for the redo.
struct FieldHistory {
    using Afterward = std::function<void()>;
    static std::unique_ptr<History::Step> added(std::string path, std::string name, std::string declared,
                                                 Afterward afterward);
    static std::unique_ptr<History::Step> renamed(std::string path, std::string from, std::string to,
                                                   Afterward afterward);
    static std::unique_ptr<History::Step> removed(std::string path, KeptColumn kept, Afterward afterward);
};

} // namespace catalogue
