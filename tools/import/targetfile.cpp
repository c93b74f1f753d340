// The new catalogue written beside its target and put in its place only when
// complete: a failed conversion leaves nothing behind.
#include "targetfile.h"

#include "importerror.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <stdlib.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace jetimport {

namespace {

[[noreturn]] void refuse(const std::string& message)
{
    throw ImportError(ExitCode::TargetUnwritable, message);
}

std::string systemError() { return std::strerror(errno); }

bool isSameFile(const fs::path& a, const fs::path& b)
{
    std::error_code error;
    return fs::equivalent(a, b, error);
}

fs::path makeTemporary(const fs::path& target)
{
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::string pattern = (folder / ("." + target.filename().string() + ".import-XXXXXX")).string();
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0)
        refuse("Impossibile scrivere nella cartella " + quoted(folder.string()) + ": " + systemError() + ".");
    // mkostemp makes the file private; a catalogue gets the usual permissions.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    ::close(fd);
    return pattern;
}

void syncFolder(const fs::path& file)
{
    const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

TargetFile::TargetFile(const fs::path& target, const fs::path& source, bool force)
    : m_target(target)
{
    std::error_code error;
    const fs::file_status status = fs::status(target, error);
    if (fs::is_directory(status))
        refuse(quoted(target.string()) + " è una cartella: indicare il file del nuovo catalogo.");
    if (fs::exists(status)) {
        if (isSameFile(target, source)) {
            m_keptOriginal = fs::path(target.string() + ".jet");
            if (fs::exists(fs::symlink_status(*m_keptOriginal, error))) {
                refuse("Il catalogo si converte al suo posto e l'originale va conservato in " +
                       quoted(m_keptOriginal->string()) + ", che però esiste già: spostarlo e riprovare.");
            }
        } else if (!force) {
            refuse("Il file " + quoted(target.string()) +
                   " esiste già: per sostituirlo usare --force, oppure indicare un altro file.");
        }
        m_replace = true;
    }
    m_temporary = makeTemporary(target);
}

TargetFile::~TargetFile()
{
    if (!m_installed)
        removeTemporary();
}

void TargetFile::install()
{
    if (m_keptOriginal)
        keepOriginal();
    if (m_replace) {
        if (::rename(m_temporary.c_str(), m_target.c_str()) != 0)
            refuse("Impossibile mettere il nuovo catalogo al posto di " + quoted(m_target.string()) + ": " +
                   systemError() + ".");
    } else {
        placeWithoutReplacing();
    }
    m_installed = true;
    syncFolder(m_target);
}

void TargetFile::keepOriginal()
{
    // A second name for the original, so that until the new catalogue takes its
    // place the original stays where it was.
    if (::link(m_target.c_str(), m_keptOriginal->c_str()) == 0)
        return;
    std::error_code error;
    if (errno == EEXIST || !fs::copy_file(m_target, *m_keptOriginal, fs::copy_options::none, error)) {
        refuse("Impossibile conservare l'originale in " + quoted(m_keptOriginal->string()) + ": " +
               (error ? error.message() : systemError()) + ".");
    }
}

void TargetFile::placeWithoutReplacing()
{
    // link() fails when the target has appeared meanwhile, where rename() would
    // replace it without a word.
    if (::link(m_temporary.c_str(), m_target.c_str()) == 0) {
        removeTemporary();
        return;
    }
    if (errno == EEXIST)
        refuse("Il file " + quoted(m_target.string()) + " è comparso durante la conversione: non è stato toccato.");
    std::error_code error;
    if (fs::exists(m_target, error) || ::rename(m_temporary.c_str(), m_target.c_str()) != 0)
        refuse("Impossibile scrivere il nuovo catalogo in " + quoted(m_target.string()) + ": " + systemError() + ".");
}

void TargetFile::removeTemporary() noexcept
{
    std::error_code error;
    fs::remove(m_temporary, error);
    fs::remove(m_temporary.string() + "-journal", error);
}

fs::path defaultTarget()
{
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    if (error)
        refuse("Impossibile trovare la cartella del programma: indicare il file del nuovo catalogo.");
    return program.parent_path() / "dorvi.mdb";
}

} // namespace jetimport
