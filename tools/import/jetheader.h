#pragma once

#include "importerror.h"

#include <cstdint>
#include <string>

namespace jetimport {

enum class JetVersion { Jet3, Jet4 };

struct JetHeader {
    JetVersion version = JetVersion::Jet4;
    int pageSize = 4096;
    std::uintmax_t fileSize = 0;
    bool password = false; ///< Access asks for a password to open it
    bool encoded = false;  ///< Access encoded its pages ("Codifica database")

    bool isProtected() const { return password || encoded; }
};

// Reads and checks the first page of a Jet file before any library sees it: the
// signature, the format version and a length that is a whole number of pages.
// Throws ImportError (ExitCode::SourceUnreadable) with the reason in Italian.
JetHeader readJetHeader(const std::string& path);

// Why a protected file could not be read, and how to remove the protection in
// Access first. Precondition: header.isProtected().
ImportError protectedFileError(const std::string& path, const JetHeader& header);

} // namespace jetimport
