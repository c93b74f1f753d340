// Why a Jet file with no table of its own can still be someone's catalogue: its
// tables may all be links to a second file (Access's "split database", where the
// front file keeps forms and links and the data lives in the back file). Those
// links are rows of MSysObjects that libmdb's catalogue lists as neither user
// tables nor anything else it names: they are read here from MSysObjects itself.
#include "jetobjects.h"

#include "jettable.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace jetimport {

namespace {

constexpr std::int64_t odbcLinkType = 4;
constexpr std::int64_t fileLinkType = 6;

std::string textOf(const catalogue::Value& value)
{
    const auto* text = std::get_if<std::string>(&value);
    return text ? *text : std::string();
}

std::int64_t numberOf(const catalogue::Value& value)
{
    const auto* number = std::get_if<std::int64_t>(&value);
    return number ? *number : 0;
}

std::string lowered(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::size_t columnNamed(const JetTable& table, const std::string& name)
{
    const auto& columns = table.columns();
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (lowered(columns[i].name) == lowered(name))
            return i;
    }
    return columns.size();
}

// "Excel 8.0;HDR=YES;DATABASE=C:\dati\libri.xls" gives "C:\dati\libri.xls".
std::string databasePart(const std::string& connect)
{
    const std::string key = "database=";
    const std::string lower = lowered(connect);
    for (std::size_t at = lower.find(key); at != std::string::npos; at = lower.find(key, at + 1)) {
        if (at == 0 || connect[at - 1] == ';') {
            const std::size_t start = at + key.size();
            return connect.substr(start, connect.find(';', start) - start);
        }
    }
    return {};
}

} // namespace

std::vector<JetObject> readJetObjects(MdbHandle* mdb, CodePage* codePage)
{
    MdbCatalogEntry entry{};
    entry.mdb = mdb;
    entry.object_type = MDB_TABLE;
    entry.table_pg = 2; // where Jet keeps MSysObjects' definition
    std::snprintf(entry.object_name, sizeof entry.object_name, "MSysObjects");
    JetTable table(&entry, codePage);
    const std::size_t name = columnNamed(table, "Name");
    const std::size_t type = columnNamed(table, "Type");
    const std::size_t database = columnNamed(table, "Database");
    const std::size_t connect = columnNamed(table, "Connect");
    const auto cell = [](const JetRow& row, std::size_t column) {
        return column < row.values.size() ? row.values[column] : catalogue::Value();
    };
    std::vector<JetObject> objects;
    JetRow row;
    while (table.next(row)) {
        if (row.readable) {
            objects.push_back({textOf(cell(row, name)), numberOf(cell(row, type)), textOf(cell(row, database)),
                               textOf(cell(row, connect))});
        }
    }
    return objects;
}

bool isLinkedTable(const JetObject& object)
{
    return object.type == fileLinkType || object.type == odbcLinkType;
}

std::string linkTarget(const JetObject& object)
{
    if (!object.database.empty())
        return object.database;
    if (std::string part = databasePart(object.connect); !part.empty())
        return part;
    return object.connect;
}

ImportError onlyLinkedTables(const std::string& path, const std::vector<JetObject>& objects)
{
    // Each target once, in the order met, with the names of its tables.
    std::vector<std::pair<std::string, std::vector<std::string>>> targets;
    for (const JetObject& object : objects) {
        if (!isLinkedTable(object))
            continue;
        const std::string target = linkTarget(object);
        auto found = std::find_if(targets.begin(), targets.end(), [&](const auto& t) { return t.first == target; });
        if (found == targets.end())
            found = targets.insert(targets.end(), {target, {}});
        found->second.push_back(object.name);
    }
    std::string list;
    for (const auto& [target, tables] : targets) {
        std::string names;
        for (const std::string& table : tables)
            names += (names.empty() ? "" : ", ") + quoted(table);
        list += "\n  " + (target.empty() ? std::string("(file non indicato)") : quoted(target)) + ": tabelle " + names;
    }
    return ImportError(ExitCode::SourceUnreadable,
                       "Il catalogo di Access " + quoted(path) +
                           " non contiene dati propri: le sue tabelle sono collegamenti ad altri file, che "
                           "contengono i dati. Convertire invece quei file (i percorsi sono quelli del computer "
                           "su cui furono collegati):" +
                           list);
}

} // namespace jetimport
