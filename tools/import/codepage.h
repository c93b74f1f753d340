#pragma once

#include "jetvalues.h"
#include "mdbhandles.h"

#include <string>

namespace jetimport {

// A Jet 3 file keeps its text in the Windows code page of the machine that wrote
// it, and does not record which: the user names it, CP1252 when they do not.
class CodePage {
public:
    static constexpr const char* defaultName = "CP1252";

    // Throws std::invalid_argument when the system does not know the code page.
    explicit CodePage(std::string name = defaultName);

    const std::string& name() const { return m_name; }
    // A byte that has no character in the code page is kept as its Latin-1
    // reading (0x81 becomes U+0081), and the text is marked as replaced.
    DecodedText decode(Bytes bytes);

private:
    std::string m_name;
    IconvHandle m_toUtf8;
};

} // namespace jetimport
