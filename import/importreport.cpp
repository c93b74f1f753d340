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

std::string listing(const std::string& title, const ReportLines& lines,
                    std::string (*text)(const ReportLine& entry))
{
    if (lines.empty())
        return {};
    std::string out = title + ":\n";
    for (const ReportLine& entry : lines)
        out += line(entry, text(entry));
    if (lines.unlisted() > 0)
        out += "  … e altre " + std::to_string(lines.unlisted()) + " righe, contate sopra ma non elencate\n";
    return out;
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
    const auto reason = [](const ReportLine& entry) { return entry.text; };
    text += listing("Doppioni", report.duplicates, reason);
    text += listing("Valori cambiati", report.changes,
                    [](const ReportLine& entry) { return entry.column + ": " + entry.text; });
    text += listing("Righe rifiutate", report.refusals, reason);
    return text;
}

} // namespace bookimport
