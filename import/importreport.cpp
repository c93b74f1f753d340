// The report of an import: counts of everything, lines for the first of each kind,
// so its size stays the same for ten books or ten million.
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

// A column as a spreadsheet names it too: 3 (C), 28 (AB).
std::string columnName(std::size_t number)
{
    std::string letters;
    for (std::size_t n = number; n > 0; n = (n - 1) / 26)
        letters.insert(letters.begin(), static_cast<char>('A' + (n - 1) % 26));
    return std::to_string(number) + " (" + letters + ")";
}


// One line however many times the heading repeats: the first few columns left
// out are named, the rest counted.
std::string repeatedText(const RepeatedColumn& column)
{
    constexpr std::size_t named = 5;
    const std::size_t leftOut = column.leftOut.size();
    std::string text = "Colonna «" + column.heading + "» presente " + std::to_string(leftOut + 1) +
                       " volte: importata la colonna " + columnName(column.used) + "; " +
                       (leftOut == 1 ? "non importata la colonna " : "non importate le colonne ");
    for (std::size_t i = 0; i < leftOut && i < named; ++i)
        text += (i == 0 ? "" : i + 1 == leftOut ? " e " : ", ") + columnName(column.leftOut[i]);
    if (leftOut > named)
        text += " e altre " + std::to_string(leftOut - named);
    return text + (column.values == 1 ? " (1 valore non importato)\n"
                                      : " (" + std::to_string(column.values) + " valori non importati)\n");
}

} // namespace

int ImportReport::exitStatus() const
{
    const bool columnLeftOut = std::any_of(ignoredColumns.begin(), ignoredColumns.end(),
                                           [](const auto& column) { return column.second > 0; }) ||
                               std::any_of(repeatedColumns.begin(), repeatedColumns.end(),
                                           [](const RepeatedColumn& column) { return column.values > 0; });
    return changes.empty() && refusals.empty() && !columnLeftOut ? 0 : 1;
}

std::string reportText(const ImportReport& report, ReportReader reader)
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
                    " valori): nessun campo ha questo nome" +
                    (reader == ReportReader::CommandLine ? "; usare --campo COLONNA=" + column
                                                         : "; si può scegliere per un campo in Importa…") +
                    "\n";
        }
    }
    for (const RepeatedColumn& column : report.repeatedColumns)
        text += repeatedText(column);
    const auto reason = [](const ReportLine& entry) { return entry.text; };
    text += listing("Doppioni", report.duplicates, reason);
    text += listing("Valori cambiati", report.changes,
                    [](const ReportLine& entry) { return entry.column + ": " + entry.text; });
    text += listing("Righe rifiutate", report.refusals, reason);
    return text;
}

} // namespace bookimport
