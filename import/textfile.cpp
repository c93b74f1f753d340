// A text file handed out in UTF-8 slices, whether it is UTF-8 or Windows-1252; a
// file mixing both is refused before anything is read.
#include "textfile.h"

#include "fold.h"
#include "importfailure.h"

namespace bookimport {

namespace {

constexpr std::size_t sliceBytes = 1 << 20;

// Windows-1252's 0x80-0x9F; the five bytes it leaves undefined read as the C1
// control of the same number, as Windows itself reads them.
constexpr char16_t windows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void appendWindows1252(std::string& out, const std::string& bytes)
{
    for (const char byte : bytes) {
        const auto c = static_cast<unsigned char>(byte);
        if (c < 0x80)
            out += byte;
        else
            catalogue::appendUtf8(out, c < 0xA0 ? windows1252High[c - 0x80] : c);
    }
}

// Where the encodings were seen in a file, by line, for the message.
struct EncodingScan {
    std::uint64_t firstUtf8Line = 0;    ///< a character of two or more UTF-8 bytes
    std::uint64_t firstInvalidLine = 0; ///< bytes UTF-8 cannot read
};

// Scans one slice; `carry` holds the bytes of a character cut at its end.
void scan(std::string_view bytes, EncodingScan& found, std::uint64_t& line)
{
    std::size_t at = 0;
    while (at < bytes.size()) {
        const char c = bytes[at];
        if (static_cast<unsigned char>(c) < 0x80) {
            line += c == '\n';
            ++at;
            continue;
        }
        const catalogue::Utf8Char read = catalogue::readUtf8(bytes, at);
        if (read.valid && !found.firstUtf8Line)
            found.firstUtf8Line = line;
        if (!read.valid && !found.firstInvalidLine)
            found.firstInvalidLine = line;
        at += read.length;
    }
}

} // namespace

TextFile::TextFile(const std::string& path)
    : m_path(path), m_file(std::fopen(path.c_str(), "rb"), &std::fclose)
{
    if (!m_file)
        refuseSource("Impossibile leggere il file " + quoted(path) + ".");
    settleEncoding();
}

void TextFile::settleEncoding()
{
    EncodingScan found;
    std::uint64_t line = 1;
    std::string slice(sliceBytes, '\0');
    std::string carry;
    std::size_t got = 0;
    while ((got = std::fread(slice.data(), 1, slice.size(), m_file.get())) > 0) {
        std::string bytes = carry + slice.substr(0, got);
        // A character cut by the slice's end waits for the next slice.
        std::size_t keep = 0;
        for (std::size_t back = 1; back <= 3 && back <= bytes.size(); ++back) {
            const auto c = static_cast<unsigned char>(bytes[bytes.size() - back]);
            if (c >= 0xC0) {
                keep = back;
                break;
            }
            if (c < 0x80)
                break;
        }
        carry = bytes.substr(bytes.size() - keep);
        bytes.resize(bytes.size() - keep);
        scan(bytes, found, line);
    }
    scan(carry, found, line);
    if (std::ferror(m_file.get()))
        refuseSource("Impossibile leggere il file " + quoted(m_path) + ".");
    if (found.firstUtf8Line && found.firstInvalidLine) {
        refuseSource("Il file " + quoted(m_path) + " mescola due codifiche dei caratteri: la riga " +
                     std::to_string(found.firstUtf8Line) + " è in UTF-8, la riga " +
                     std::to_string(found.firstInvalidLine) +
                     " in un'altra (Windows-1252?). Salvarlo di nuovo tutto in UTF-8 dal foglio di calcolo "
                     "o dall'editor, poi ripetere l'importazione.");
    }
    m_windows1252 = found.firstInvalidLine != 0;
    std::rewind(m_file.get());
    // The byte-order mark says UTF-8 and is not text.
    char mark[3] = {};
    if (std::fread(mark, 1, 3, m_file.get()) != 3 || std::string_view(mark, 3) != "\xEF\xBB\xBF")
        std::rewind(m_file.get());
}

bool TextFile::read(std::string& out)
{
    m_slice.resize(sliceBytes);
    const std::size_t got = std::fread(m_slice.data(), 1, m_slice.size(), m_file.get());
    if (got == 0) {
        if (std::ferror(m_file.get()))
            refuseSource("Impossibile leggere il file " + quoted(m_path) + ".");
        return false;
    }
    m_slice.resize(got);
    if (m_windows1252)
        appendWindows1252(out, m_slice);
    else
        out += m_slice;
    return true;
}

} // namespace bookimport
