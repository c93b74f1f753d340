#include "importreport.h"

#include <algorithm>

namespace bookimport {

namespace {

std::string line(const ReportLine& entry, const std::string& text)
{
    std::string out = "  " + entry.where;
    if (!entry.book.empty())
        out += " (" + entry.book + ")";
    return out + ": " + text + "\n";
}

} // namespace

int ImportReport::exitStatus() const
{
    const bool columnLeftOut = std::any_of(ignoredColumns.begin(), ignoredColumns.end(),
                                           [](const auto& column) { return column.second > 0; });
    return changes.empty() && refusals.empty() && !columnLeftOut ? 0 : 1;
}

std::string reportText(const ImportReport& report)
{
    std::string text = "Origine: " + report.kind + "\n";
    text += "Libri letti: " + std::to_string(report.read) + "; aggiunti: " + std::to_string(report.added) +
            "; doppioni non aggiunti: " + std::to_string(report.skipped) +
            "; righe rifiutate: " + std::to_string(report.refused) +
            "; libri con valori cambiati: " + std::to_string(report.changedBooks) + "\n";
    if (!report.addedColumns.empty()) {
        text += "Campi aggiunti al catalogo:";
        for (const std::string& column : report.addedColumns)
            text += " " + column;
        text += "\n";
    }
    for (const auto& [column, values] : report.ignoredColumns) {
        if (values > 0) {
            text += "Colonna «" + column + "» non importata (" + std::to_string(values) +
                    " valori): nessun campo ha questo nome; usare --campo COLONNA=" + column + "\n";
        }
    }
    if (!report.duplicates.empty()) {
        text += "Doppioni:\n";
        for (const ReportLine& entry : report.duplicates)
            text += line(entry, entry.text);
    }
    if (!report.changes.empty()) {
        text += "Valori cambiati:\n";
        for (const ReportLine& entry : report.changes)
            text += line(entry, entry.column + ": " + entry.text);
    }
    if (!report.refusals.empty()) {
        text += "Righe rifiutate:\n";
        for (const ReportLine& entry : report.refusals)
            text += line(entry, entry.text);
    }
    return text;
}

} // namespace bookimport
