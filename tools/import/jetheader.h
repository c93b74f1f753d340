#pragma once

#include <cstdint>
#include <string>

namespace jetimport {

enum class JetVersion { Jet3, Jet4 };

struct JetHeader {
    JetVersion version = JetVersion::Jet4;
    int pageSize = 4096;
    std::uintmax_t fileSize = 0;
};

// Reads and checks the first page of a Jet file before any library sees it: the
// signature, the format version and a length that is a whole number of pages.
// Throws ImportError (ExitCode::SourceUnreadable) with the reason in Italian.
JetHeader readJetHeader(const std::string& path);

} // namespace jetimport
