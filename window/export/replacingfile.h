#pragma once

#include "error.h"

#include <QSaveFile>
#include <QString>

#include <string>
#include <string_view>

// A file that is replaced whole or not at all: everything goes to a temporary file
// in the same folder, which commit() renames over the chosen name. Until then, and
// for ever if commit() is never reached (a failure, a cancel), a file already there
// is left as it was and the temporary file is removed when this object goes.
class ReplacingFile {
public:
    // Throws Error when the folder does not take the temporary file.
    explicit ReplacingFile(const QString& path);
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // Writes `bytes` now. Throws Error when the disk refuses them (full, too big).
    void write(std::string_view bytes);
    // For writers that take a device (the PDF writer); their failures surface at commit().
    QIODevice& device() { return m_file; }
    // Puts the file in place. Throws Error when anything written failed, or the
    // rename did; the old file is then still whole.
    void commit();
    // Gives the file up, for a cause the writer found (`why`, in Italian), and
    // throws the Error that names the file.
    [[noreturn]] void abandon(catalogue::ErrorNumber number, const std::string& why, int osError = 0,
                              const std::string& details = {});

private:
    [[noreturn]] void fail(int osError);

    QString m_path;
    QSaveFile m_file;
};
