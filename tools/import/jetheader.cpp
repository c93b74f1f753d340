// libmdb trusts the file it is given; the checks here turn the common wrong
// inputs (a text file, a SQLite catalogue, a copy cut short) into a clear message
// before it reads anything.
#include "jetheader.h"

#include "importerror.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string_view>

namespace fs = std::filesystem;

namespace jetimport {

namespace {

constexpr std::size_t signatureOffset = 4;
constexpr std::size_t versionOffset = 0x14;
constexpr int minimumPages = 2;

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

std::array<unsigned char, 32> firstBytes(const std::string& path, std::uintmax_t size)
{
    std::array<unsigned char, 32> bytes{};
    std::ifstream file(path, std::ios::binary);
    if (!file)
        refuse("Impossibile leggere il file " + quoted(path) + ": " + std::strerror(errno) + ".");
    if (size < bytes.size())
        refuse("Il file " + quoted(path) + " non è un catalogo di Access (Jet): è troppo corto.");
    if (!file.read(reinterpret_cast<char*>(bytes.data()), bytes.size()))
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
    return header;
}

} // namespace jetimport
