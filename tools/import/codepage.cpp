// The Windows code page of a Jet 3 file's text, named by the user (CP1252 when
// not); a byte the page lacks is kept as its Latin-1 reading.
#include "codepage.h"

#include <cerrno>
#include <stdexcept>
#include <vector>

namespace jetimport {

namespace {

void appendLatin1(std::string& out, unsigned char byte)
{
    if (byte < 0x80) {
        out += static_cast<char>(byte);
    } else {
        out += static_cast<char>(0xC0 | (byte >> 6));
        out += static_cast<char>(0x80 | (byte & 0x3F));
    }
}

} // namespace

CodePage::CodePage(std::string name)
    : m_name(std::move(name))
    , m_toUtf8(iconv_open("UTF-8", m_name.c_str()))
{
    if (!m_toUtf8.isValid())
        throw std::invalid_argument("codice di pagina sconosciuto: " + m_name);
}

DecodedText CodePage::decode(Bytes bytes)
{
    DecodedText text;
    std::vector<char> input(bytes.begin(), bytes.end());
    char* in = input.data();
    std::size_t inLeft = input.size();
    std::vector<char> buffer(inLeft * 4 + 16);
    iconv(m_toUtf8.get(), nullptr, nullptr, nullptr, nullptr);
    while (inLeft > 0) {
        char* out = buffer.data();
        std::size_t outLeft = buffer.size();
        const std::size_t result = iconv(m_toUtf8.get(), &in, &inLeft, &out, &outLeft);
        text.utf8.append(buffer.data(), buffer.size() - outLeft);
        if (result != static_cast<std::size_t>(-1) || errno == E2BIG)
            continue;
        // An invalid or incomplete sequence: keep its first byte and go on after it.
        appendLatin1(text.utf8, static_cast<unsigned char>(*in));
        text.replaced = true;
        ++in;
        --inLeft;
        iconv(m_toUtf8.get(), nullptr, nullptr, nullptr, nullptr);
    }
    return text;
}

} // namespace jetimport
