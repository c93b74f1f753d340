#pragma once

#include <filesystem>
#include <optional>

namespace jetimport {

// Where the new catalogue goes. It is written to a temporary file beside the
// target and takes the target's place only when complete, so a failed conversion
// leaves nothing behind. An existing target is replaced only when the user forces
// it, except when it is the Jet file being converted: then the original stays
// beside it, renamed with ".jet" added, and nothing is lost.
class TargetFile {
public:
    // Throws ImportError (ExitCode::TargetUnwritable) when the target exists and
    // may not be replaced, or no temporary file can be made beside it.
    TargetFile(const std::filesystem::path& target, const std::filesystem::path& source, bool force);
    ~TargetFile();
    TargetFile(const TargetFile&) = delete;
    TargetFile& operator=(const TargetFile&) = delete;

    const std::filesystem::path& path() const { return m_target; }
    const std::filesystem::path& temporaryPath() const { return m_temporary; }
    // Where the original goes when converting in place.
    const std::optional<std::filesystem::path>& keptOriginal() const { return m_keptOriginal; }

    // Puts the finished catalogue in the target's place. Throws ImportError.
    void install();

private:
    void removeTemporary() noexcept;
    void keepOriginal();
    void placeWithoutReplacing();

    std::filesystem::path m_target;
    std::filesystem::path m_temporary;
    std::optional<std::filesystem::path> m_keptOriginal;
    bool m_replace = false;
    bool m_installed = false;
};

// dorvi.mdb beside this program, which is where dorvi looks for its catalogue.
std::filesystem::path defaultTarget();

} // namespace jetimport
