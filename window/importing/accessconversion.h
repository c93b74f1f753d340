#pragma once

#include <QString>
#include <QTemporaryDir>

// An Access catalogue brought into the window's import: `dorvi-import`, beside
// the program, converts it (in a process of its own, as libmdb may crash on a
// damaged file) into a catalogue in a temporary folder, which the import then
// reads as another catalogue's books; the folder goes with this object.
class AccessConversion {
public:
    // Throws catalogue::Error with dorvi-import's own Italian message when it
    // cannot convert the file.
    AccessConversion(const QString& programFolder, const QString& source);

    QString converted() const { return m_folder.filePath(QStringLiteral("convertito.mdb")); }

private:
    QTemporaryDir m_folder;
};

// Whether the file is an Access catalogue, by its content.
bool isAccessFile(const QString& path);
