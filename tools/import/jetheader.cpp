// libmdb trusts the file it is given; the checks here turn the common wrong
// inputs (a text file, a SQLite catalogue, a copy cut short) into a clear message
// before it reads anything.
#include "jetheader.h"

#include "importerror.h"
#include "jetvalues.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <vector>

namespace fs = std::filesystem;

namespace jetimport {

namespace {

constexpr std::size_t signatureOffset = 4;
constexpr std::size_t versionOffset = 0x14;
constexpr int minimumPages = 2;

// The database definition page hides its settings under a fixed RC4 key stream
// (mdbtools' HACKING.md): from byte 0x18, 126 bytes in Jet 3 and 128 in Jet 4.
// Under it the encoding key sits at 0x3E, non-zero when Access encoded the
// file's pages, and the password at 0x42: 20 bytes in Jet 3, 40 of UTF-16 in
// Jet 4, these also masked with the whole days of the creation date at 0x72.
// A file with no password has only zeros there once unmasked.
constexpr std::array<unsigned char, 4> headerKey = {0xC7, 0xDA, 0x39, 0x6B}; // 0x6B39DAC7
constexpr std::size_t maskedOffset = 0x18;
constexpr std::size_t encodingKeyOffset = 0x3E;
constexpr std::size_t passwordOffset = 0x42;
constexpr std::size_t creationDateOffset = 0x72;
constexpr std::size_t headerBytes = maskedOffset + 128;

using HeaderBytes = std::array<unsigned char, headerBytes>;

std::vector<unsigned char> rc4KeyStream(const std::array<unsigned char, 4>& key, std::size_t length)
{
    std::array<unsigned char, 256> state{};
    for (std::size_t i = 0; i < state.size(); ++i)
        state[i] = static_cast<unsigned char>(i);
    for (std::size_t i = 0, j = 0; i < state.size(); ++i) {
        j = (j + state[i] + key[i % key.size()]) % 256;
        std::swap(state[i], state[j]);
    }
    std::vector<unsigned char> stream(length);
    for (std::size_t n = 0, i = 0, j = 0; n < length; ++n) {
        i = (i + 1) % 256;
        j = (j + state[i]) % 256;
        std::swap(state[i], state[j]);
        stream[n] = state[(state[i] + state[j]) % 256];
    }
    return stream;
}

// The four bytes (little-endian) of the creation date's whole days, as Jet 4
// masks its password with them; none for a date no file can have.
std::array<unsigned char, 4> passwordMask(const HeaderBytes& clear)
{
    const double days = storedDouble(Bytes(clear).subspan(creationDateOffset, 8));
    if (!(days > -2147483648.0 && days < 2147483648.0))
        return {};
    const auto whole = static_cast<std::uint32_t>(static_cast<std::int32_t>(days));
    return {static_cast<unsigned char>(whole), static_cast<unsigned char>(whole >> 8),
            static_cast<unsigned char>(whole >> 16), static_cast<unsigned char>(whole >> 24)};
}

void readProtection(JetHeader& header, HeaderBytes page)
{
    const bool jet3 = header.version == JetVersion::Jet3;
    const std::size_t masked = jet3 ? 126 : 128;
    const std::vector<unsigned char> stream = rc4KeyStream(headerKey, masked);
    for (std::size_t i = 0; i < masked; ++i)
        page[maskedOffset + i] ^= stream[i];

    header.encoded = std::any_of(page.begin() + encodingKeyOffset, page.begin() + passwordOffset,
                                 [](unsigned char byte) { return byte != 0; });
    const std::array<unsigned char, 4> mask = jet3 ? std::array<unsigned char, 4>{} : passwordMask(page);
    const std::size_t length = jet3 ? 20 : 40;
    for (std::size_t i = 0; i < length; ++i)
        header.password = header.password || (page[passwordOffset + i] ^ mask[i % mask.size()]) != 0;
}

[[noreturn]] void refuse(const std::string& message)
{
    throw ImportError(ExitCode::SourceUnreadable, message);
}

std::uintmax_t regularFileSize(const std::string& path)
{
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (!fs::exists(status))
        refuse("Il file " + quoted(path) + " non esiste.");
    if (fs::is_directory(status))
        refuse(quoted(path) + " è una cartella, non un catalogo di Access.");
    if (!fs::is_regular_file(status))
        refuse(quoted(path) + " non è un file normale: non può essere un catalogo di Access.");
    const std::uintmax_t size = fs::file_size(path, error);
    if (error)
        refuse("Impossibile leggere il file " + quoted(path) + ": " + error.message() + ".");
    return size;
}

// The start of the first page; what a file too short to hold it lacks stays zero.
HeaderBytes firstBytes(const std::string& path, std::uintmax_t size)
{
    constexpr std::uintmax_t signatureBytes = 32;
    HeaderBytes bytes{};
    std::ifstream file(path, std::ios::binary);
    if (!file)
        refuse("Impossibile leggere il file " + quoted(path) + ": " + std::strerror(errno) + ".");
    if (size < signatureBytes)
        refuse("Il file " + quoted(path) + " non è un catalogo di Access (Jet): è troppo corto.");
    const auto wanted = static_cast<std::streamsize>(std::min<std::uintmax_t>(size, bytes.size()));
    if (!file.read(reinterpret_cast<char*>(bytes.data()), wanted))
        refuse("Impossibile leggere il file " + quoted(path) + ".");
    return bytes;
}

} // namespace

JetHeader readJetHeader(const std::string& path)
{
    JetHeader header;
    header.fileSize = regularFileSize(path);
    const auto bytes = firstBytes(path, header.fileSize);
    const std::string_view signature(reinterpret_cast<const char*>(bytes.data()) + signatureOffset, 15);
    const bool ace = signature == "Standard ACE DB";
    if (bytes[0] != 0 || (signature != "Standard Jet DB" && !ace))
        refuse("Il file " + quoted(path) + " non è un catalogo di Access (Jet): il suo formato non è riconosciuto.");

    const unsigned version = bytes[versionOffset];
    if (ace || version > 1) {
        refuse("Il file " + quoted(path) + " è nel formato di Access 2007 o successivo, che questo "
               "strumento non converte: si convertono i cataloghi Jet 3 e Jet 4 (Access 97-2003).");
    }
    header.version = version == 0 ? JetVersion::Jet3 : JetVersion::Jet4;
    header.pageSize = version == 0 ? 2048 : 4096;

    const auto pageSize = static_cast<std::uintmax_t>(header.pageSize);
    if (header.fileSize % pageSize != 0 || header.fileSize < minimumPages * pageSize) {
        refuse("Il file " + quoted(path) + " è danneggiato o incompleto: la sua lunghezza (" +
               std::to_string(header.fileSize) + " byte) non è un numero intero di pagine da " +
               std::to_string(pageSize) + " byte.");
    }
    readProtection(header, bytes);
    return header;
}

ImportError protectedFileError(const std::string& path, const JetHeader& header)
{
    std::string message = "Il catalogo di Access " + quoted(path);
    if (header.password) {
        message += std::string(" è protetto da una password") + (header.encoded ? " e codificato" : "") +
                   ", e questo strumento non riesce a leggerne le tabelle. Togliere prima la password in Access: "
                   "aprire il file in modo esclusivo (Apri > Apri in modo esclusivo) dando la password, poi "
                   "Strumenti > Protezione > Elimina password database (in Access 2007 e successivi: "
                   "File > Informazioni > Decrittografa database).";
        if (header.encoded)
            message += " Poi togliere la codifica: Strumenti > Protezione > Codifica/decodifica database.";
    } else {
        message += " è codificato (Codifica database), e questo strumento non riesce a leggerne le tabelle. "
                   "Togliere prima la codifica in Access: Strumenti > Protezione > Codifica/decodifica database, "
                   "salvando il risultato in un nuovo file.";
    }
    return ImportError(ExitCode::SourceUnreadable, message + " Poi convertire il file così ottenuto.");
}

} // namespace jetimport
