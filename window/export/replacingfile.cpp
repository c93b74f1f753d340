// Writing a file the user chose without ever leaving half of it. QSaveFile gives
// the temporary file and the rename (with the data on disk first); this adds the
// Italian messages that name the file, the folder and the cause.
#include "replacingfile.h"

#include "error.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

#include <cerrno>

using catalogue::Error;
using catalogue::ErrorNumber;

namespace {

std::string utf8(const QString& text)
{
    return text.toStdString();
}

// What stopped the write, in words; the error number says whether it was room.
std::pair<ErrorNumber, std::string> cause(int osError, const QString& path)
{
    const QString folder = QDir::toNativeSeparators(QFileInfo(path).absolutePath());
    switch (osError) {
    case ENOSPC:
    case EDQUOT:
        return {ErrorNumber::DiskFull, "il disco è pieno"};
    case EFBIG:
        return {ErrorNumber::DiskFull, "il file supera la dimensione che il sistema consente"};
    case EACCES:
    case EPERM:
        return {ErrorNumber::FileNotWritten, "la cartella «" + utf8(folder) + "» non consente di scrivervi"};
    case EROFS:
        return {ErrorNumber::FileNotWritten, "la cartella «" + utf8(folder) + "» è in sola lettura"};
    case ENOENT:
    case ENOTDIR:
        return {ErrorNumber::FileNotWritten, "la cartella «" + utf8(folder) + "» non esiste"};
    default:
        break;
    }
    // The device may not keep the system's reason; a folder without room says it.
    const QStorageInfo storage(QFileInfo(path).absolutePath());
    if (storage.isValid() && storage.bytesAvailable() < 64 * 1024)
        return {ErrorNumber::DiskFull, "il disco è pieno"};
    return {ErrorNumber::FileNotWritten, "errore di scrittura sul disco"};
}

} // namespace

ReplacingFile::ReplacingFile(const QString& path) : m_path(path), m_file(path)
{
    if (!m_file.open(QIODevice::WriteOnly))
        fail(errno);
}

ReplacingFile::~ReplacingFile()
{
    if (m_file.isOpen())
        m_file.cancelWriting();
}

void ReplacingFile::write(std::string_view bytes)
{
    errno = 0;
    if (m_file.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size()))
        fail(errno);
}

void ReplacingFile::commit()
{
    errno = 0;
    if (!m_file.commit())
        fail(errno);
}

void ReplacingFile::fail(int osError)
{
    const QString details = m_file.errorString();
    const auto [number, why] = cause(osError, m_path);
    abandon(number, why, osError, utf8(details));
}

void ReplacingFile::abandon(ErrorNumber number, const std::string& why, int osError, const std::string& details)
{
    m_file.cancelWriting();
    throw Error(number,
                "Il file «" + utf8(QDir::toNativeSeparators(m_path)) + "» non è stato scritto: " + why +
                    ". Un file che c'era con quel nome è rimasto com'era.",
                osError, details);
}
