// The mappings of Importa…, one settings group per set of headings, named by a
// 64-bit hash of the headings in their order (never the headings themselves: a
// file may have thousands): a file with another heading, or the same headings in
// another order, is another source.
#include "mappingmemory.h"

#include "fieldnames.h"

#include <QCryptographicHash>
#include <QSettings>
#include <QStringList>

#include <algorithm>

namespace {

QSettings programSettings()
{
    return QSettings(QStringLiteral("Dorvi"), QStringLiteral("Gestione Dorvi"));
}

QString groupOf(const std::vector<std::string>& headings)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    for (const std::string& heading : headings) {
        hash.addData(QByteArrayView(heading.data(), static_cast<qsizetype>(heading.size())));
        hash.addData(QByteArrayView("\x1F", 1));
    }
    return QStringLiteral("importazione/") + QString::fromLatin1(hash.result().toHex().left(16));
}

bool contains(const std::vector<std::string>& names, const std::string& name)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

} // namespace

MappingMemory::Mapping MappingMemory::recall(const std::vector<std::string>& headings,
                                             const std::vector<std::string>& columns)
{
    QSettings settings = programSettings();
    settings.beginGroup(groupOf(headings));
    const QStringList mappedColumns = settings.value(QStringLiteral("campi")).toStringList();
    const QStringList mappedHeadings = settings.value(QStringLiteral("colonne")).toStringList();
    Mapping mapping;
    for (qsizetype i = 0; i < mappedColumns.size() && i < mappedHeadings.size(); ++i) {
        const std::string column = mappedColumns[i].toStdString();
        const std::string heading = mappedHeadings[i].toStdString();
        // A field removed from the catalogue since is left out, not refused.
        if (catalogue::hasColumn(columns, column) && contains(headings, heading))
            mapping.emplace_back(column, heading);
    }
    return mapping;
}

void MappingMemory::keep(const std::vector<std::string>& headings, const Mapping& mapping)
{
    QSettings settings = programSettings();
    if (mapping.empty()) {
        settings.remove(groupOf(headings));
        return;
    }
    settings.beginGroup(groupOf(headings));
    QStringList mappedColumns;
    QStringList mappedHeadings;
    for (const auto& [column, heading] : mapping) {
        mappedColumns << QString::fromStdString(column);
        mappedHeadings << QString::fromStdString(heading);
    }
    settings.setValue(QStringLiteral("campi"), mappedColumns);
    settings.setValue(QStringLiteral("colonne"), mappedHeadings);
}
