#pragma once

#include "sqlitehandles.h"

#include <string>

namespace bookimport {

// An SQLite file read as a source (a calibre library, another catalogue): opened
// read-only, so neither its triggers nor anything else of its own can run a write,
// waiting two seconds for a writer. Throws catalogue::Error with `failure` when
// it cannot be opened.
catalogue::DatabaseHandle openReadOnlySource(const std::string& path, const std::string& failure);

} // namespace bookimport
