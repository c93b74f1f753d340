// What a conversion did, table by table, and every value written other than as
// stored; the catalogue takes the target's place only when nothing was lost.
#include "report.h"

#include <algorithm>
#include <sstream>

namespace jetimport {

namespace {

// One record per line, fields apart by tabs; both are escaped inside fields.
std::string escaped(const std::string& field)
{
    std::string out;
    for (char c : field) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        default: out += c;
        }
    }
    return out;
}

std::vector<std::string> fields(const std::string& line)
{
    std::vector<std::string> result(1);
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '\t') {
            result.emplace_back();
        } else if (c == '\\' && i + 1 < line.size()) {
            const char next = line[++i];
            result.back() += next == 't' ? '\t' : next == 'n' ? '\n' : next;
        } else {
            result.back() += c;
        }
    }
    return result;
}

std::string record(std::initializer_list<std::string> values)
{
    std::string line;
    for (const std::string& value : values)
        line += (line.empty() ? "" : "\t") + escaped(value); // the first field, a letter, is never empty
    return line + "\n";
}

std::uint64_t number(const std::string& text)
{
    return text.empty() ? 0 : std::stoull(text);
}

} // namespace

bool ImportReport::complete() const
{
    if (failure)
        return false;
    for (const TableReport& table : tables) {
        if (!table.error.empty() || table.read != table.written || table.read != table.declared)
            return false;
    }
    return std::none_of(changes.begin(), changes.end(), [](const ValueChange& change) { return change.lost; });
}

ExitCode ImportReport::exitCode() const
{
    if (failure)
        return failure->code();
    return complete() && changes.empty() ? ExitCode::Success : ExitCode::Incomplete;
}

std::string serialize(const ImportReport& report)
{
    std::string text;
    for (const TableReport& table : report.tables) {
        text += record({"T", table.name, std::to_string(table.declared), std::to_string(table.read),
                        std::to_string(table.written), table.error});
    }
    for (const ValueChange& change : report.changes)
        text += record({"C", change.table, change.column, std::to_string(change.row), change.key, change.reason,
                        change.lost ? "1" : "0"});
    if (report.failure)
        text += record({"F", std::to_string(static_cast<int>(report.failure->code())), report.failure->what()});
    return text;
}

ImportReport deserialize(const std::string& text)
{
    ImportReport report;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const std::vector<std::string> f = fields(line);
        if (f[0] == "T" && f.size() == 6)
            report.tables.push_back({f[1], number(f[2]), number(f[3]), number(f[4]), f[5]});
        else if (f[0] == "C" && f.size() == 7)
            report.changes.push_back({f[1], f[2], number(f[3]), f[4], f[5], f[6] == "1"});
        else if (f[0] == "F" && f.size() == 3)
            report.failure = ImportError(static_cast<ExitCode>(std::stoi(f[1])), f[2]);
    }
    return report;
}

} // namespace jetimport

namespace jetimport {

namespace {

std::string tableLine(const TableReport& table)
{
    std::string line = "Tabella " + quoted(table.name) + ": righe lette " + std::to_string(table.read) +
                       ", righe scritte " + std::to_string(table.written);
    if (table.declared != table.read)
        line += " (la tabella ne dichiara " + std::to_string(table.declared) + ")";
    if (!table.error.empty())
        line += "; non convertita del tutto: " + table.error;
    return line + "\n";
}

std::string changeLine(const ValueChange& change)
{
    std::string line = "  tabella " + quoted(change.table);
    if (!change.column.empty())
        line += ", colonna " + quoted(change.column);
    line += ", riga " + std::to_string(change.row);
    if (!change.key.empty())
        line += " (" + change.key + ")";
    return line + ": " + change.reason + "\n";
}

} // namespace

std::string summaryText(const ImportReport& report)
{
    std::string text;
    for (const TableReport& table : report.tables)
        text += tableLine(table);
    if (!report.changes.empty()) {
        text += "Valori cambiati o righe non scritte:\n";
        for (const ValueChange& change : report.changes)
            text += changeLine(change);
    }
    return text;
}

} // namespace jetimport
