// An Access catalogue converted by `dorvi-import` in a process of its own, into a
// temporary folder that goes with this object.
#include "accessconversion.h"

#include "cataloguesource.h"
#include "error.h"

#include <QDir>
#include <QFile>
#include <QProcess>

namespace {

[[noreturn]] void refuse(const QString& message)
{
    throw catalogue::Error(catalogue::ErrorNumber::AccessFile, message.toStdString());
}

} // namespace

bool isAccessFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(19);
    return head.size() == 19 && (head.mid(4) == "Standard Jet DB" || head.mid(4) == "Standard ACE DB");
}

AccessConversion::AccessConversion(const QString& programFolder, const QString& source)
{
    const QString tool = QDir(programFolder).filePath(QStringLiteral("dorvi-import"));
    if (!m_folder.isValid())
        refuse(QStringLiteral("Impossibile creare una cartella temporanea per convertire il catalogo di Access."));
    QProcess conversion;
    conversion.setProcessChannelMode(QProcess::SeparateChannels);
    conversion.start(tool, {source, converted()});
    if (!conversion.waitForStarted())
        refuse(QStringLiteral("Per importare un catalogo di Access serve dorvi-import accanto al programma (%1).")
                   .arg(tool));
    conversion.waitForFinished(-1);
    // 0: converted; 1: converted, with some value written in another form.
    const int status = conversion.exitStatus() == QProcess::NormalExit ? conversion.exitCode() : -1;
    if ((status == 0 || status == 1) && QFile::exists(converted())) {
        bookimport::requireBooksOfAccess(QFile::encodeName(converted()).toStdString(),
                                         QFile::encodeName(source).toStdString());
        return;
    }
    QString told = QString::fromUtf8(conversion.readAllStandardError()).trimmed();
    told.remove(QStringLiteral("dorvi-import: "));
    refuse(told.isEmpty() ? QStringLiteral("dorvi-import non è riuscito a convertire il catalogo di Access.") : told);
}
