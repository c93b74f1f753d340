// Structure changes of `dorvi`. SQLite's ALTER TABLE changes the table's entry in
// the schema only (ADD COLUMN touches no row: about a millisecond at a million
// books), so no change here ever rebuilds or copies the table, and another
// program's objects on it are left exactly as they are. RENAME COLUMN would
// rewrite them silently, and DROP COLUMN refuses only some of them, so both are
// checked here first.
#include "fieldchanges.h"

#include "error.h"
#include "fieldcounts.h"
#include "fieldnames.h"
#include "sqltext.h"
#include "standardfields.h"
#include "statement.h"
#include "transaction.h"
#include "engineerror.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>

namespace catalogue {

namespace {

constexpr std::size_t fixedColumns = 4;

std::string quoted(std::string_view name)
{
    return "«" + std::string(name) + "»";
}

std::string textColumn(sqlite3_stmt* statement, int column)
{
    const auto* text = sqlite3_column_text(statement, column);
    return text ? reinterpret_cast<const char*>(text) : std::string();
}

std::string lowered(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; });
    return out;
}

// The identifiers of a statement's text, lower-cased, quoted ones unquoted;
// string literals and comments are passed over.
std::vector<std::string> identifiers(std::string_view sql)
{
    std::vector<std::string> found;
    std::size_t at = 0;
    const auto closing = [&](char open) { return open == '[' ? ']' : open; };
    while (at < sql.size()) {
        const char c = sql[at];
        if (c == '\'' || c == '"' || c == '`' || c == '[') {
            const char close = closing(c);
            std::string body;
            ++at;
            while (at < sql.size()) {
                if (sql[at] == close) {
                    if (close != ']' && at + 1 < sql.size() && sql[at + 1] == close) {
                        body.push_back(close);
                        at += 2;
                        continue;
                    }
                    break;
                }
                body.push_back(sql[at++]);
            }
            ++at;
            if (c != '\'')
                found.push_back(lowered(body));
        } else if (c == '-' && at + 1 < sql.size() && sql[at + 1] == '-') {
            while (at < sql.size() && sql[at] != '\n')
                ++at;
        } else if (c == '/' && at + 1 < sql.size() && sql[at + 1] == '*') {
            const std::size_t end = sql.find("*/", at + 2);
            at = end == std::string_view::npos ? sql.size() : end + 2;
        } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_' || static_cast<unsigned char>(c) >= 0x80) {
            const std::size_t start = at;
            while (at < sql.size() && (std::isalnum(static_cast<unsigned char>(sql[at])) || sql[at] == '_' ||
                                       sql[at] == '$' || static_cast<unsigned char>(sql[at]) >= 0x80))
                ++at;
            found.push_back(lowered(sql.substr(start, at - start)));
        } else {
            ++at;
        }
    }
    return found;
}

std::string objectInWords(const std::string& type, const std::string& name)
{
    if (type == "index")
        return "l'indice " + quoted(name);
    if (type == "view")
        return "la vista " + quoted(name);
    return "il trigger " + quoted(name);
}

// The column as the table spells it, with its declared type; throws when absent.
std::pair<std::string, std::string> existingColumn(sqlite3* db, std::string_view name)
{
    Statement info(db, "SELECT name, type FROM pragma_table_info('dorvi')");
    std::size_t position = 0;
    while (info.step()) {
        std::string column = textColumn(info.handle(), 0);
        if (sameColumnName(column, name)) {
            if (position < fixedColumns)
                throw Error(ErrorNumber::NotUpdatable,
                            "Il campo " + quoted(column) + " è uno dei quattro campi del catalogo che non cambiano mai.");
            return {std::move(column), textColumn(info.handle(), 1)};
        }
        ++position;
    }
    throw Error(ErrorNumber::ColumnMissing, "Il catalogo non ha più il campo " + quoted(name) + ".");
}

// The column's whole declaration as the engine keeps it: its type, then the
// collation, NOT NULL and default it was given, so a column put back by Annulla
// compares and fills as before (a scaffale declared COLLATE NOCASE DEFAULT 'A1'
// still finds 'x1' for 'X1'). The engine's own metadata says each part, so the
// table's CREATE text is never taken apart. NOT NULL comes back only with a
// default: ADD COLUMN refuses it without one, and the values are put back anyway.
std::string columnDefinition(sqlite3* db, const std::string& column, const std::string& declared)
{
    const char* type = nullptr;
    const char* collation = nullptr;
    int notNull = 0;
    int primaryKey = 0;
    int autoIncrement = 0;
    if (const int rc = sqlite3_table_column_metadata(db, nullptr, "dorvi", column.c_str(), &type, &collation, &notNull,
                                                     &primaryKey, &autoIncrement);
        rc != SQLITE_OK)
        throw engineError(db, rc);
    std::string definition = declared;
    if (collation && sqlite3_stricmp(collation, "BINARY") != 0)
        definition += " COLLATE " + quotedIdentifier(collation);
    Statement defaultValue(db, "SELECT dflt_value FROM pragma_table_info('dorvi') WHERE name = ?1");
    defaultValue.bind(1, Value(column));
    std::string expression;
    if (defaultValue.step() && sqlite3_column_type(defaultValue.handle(), 0) != SQLITE_NULL)
        expression = textColumn(defaultValue.handle(), 0);
    if (notNull && !expression.empty())
        definition += " NOT NULL";
    if (!expression.empty())
        definition += " DEFAULT " + expression;
    return definition;
}

void refuseIfNamed(sqlite3* db, const std::string& column, const char* change)
{
    const std::vector<std::string> objects = objectsNaming(db, column);
    if (objects.empty())
        return;
    std::string list;
    for (const std::string& object : objects)
        list += (list.empty() ? "" : ", ") + object;
    throw Error(ErrorNumber::NotUpdatable, "Il campo " + quoted(column) + " non si può " + change + ": " + list +
                                               " di un altro programma lo usa. Eliminare prima " +
                                               (objects.size() == 1 ? "quell'oggetto" : "quegli oggetti") +
                                               " con il programma che " + (objects.size() == 1 ? "lo" : "li") +
                                               " ha creati, oppure lasciare il campo com'è.");
}

// Runs `change` in one transaction; what the engine refuses reads as every refused
// write of the program does (a locked file names the other program's lock).
template <typename Change>
auto inTransaction(sqlite3* db, Change change)
{
    const char* path = sqlite3_db_filename(db, "main");
    try {
        Transaction transaction(db);
        if constexpr (std::is_void_v<decltype(change())>) {
            change();
            transaction.commit();
        } else {
            auto result = change();
            transaction.commit();
            return result;
        }
    } catch (const Error& failure) {
        if (failure.engineCode() == 0)
            throw;
        throw writeError(failure, 0, path ? path : "");
    }
}


std::string alter(std::string_view rest)
{
    return "ALTER TABLE dorvi " + std::string(rest);
}

} // namespace

std::vector<FieldInfo> listFields(sqlite3* db, bool counting)
{
    std::vector<FieldInfo> fields;
    {
        Statement info(db, "SELECT name, type FROM pragma_table_info('dorvi')");
        while (info.step()) {
            FieldInfo field;
            field.name = textColumn(info.handle(), 0);
            field.declared = textColumn(info.handle(), 1);
            field.kind = kindOfColumn(field.name, field.declared);
            field.fixed = fields.size() < fixedColumns;
            field.standard = !field.fixed && findStandardField(field.name) != nullptr;
            fields.push_back(std::move(field));
        }
    }
    if (fields.empty() || !counting)
        return fields;
    std::vector<std::string> names;
    for (const FieldInfo& field : fields)
        names.push_back(field.name);
    const std::vector<long long> counts = countValues(db, names);
    for (std::size_t i = 0; i < fields.size(); ++i)
        fields[i].valued = counts[i];
    return fields;
}

long long booksHolding(sqlite3* db, std::string_view column)
{
    Statement count(db, "SELECT count(nullif(" + quotedIdentifier(column) + ", '')) FROM dorvi");
    return count.step() ? sqlite3_column_int64(count.handle(), 0) : 0;
}

std::vector<std::string> objectsNaming(sqlite3* db, std::string_view column)
{
    const std::string wanted = lowered(column);
    std::vector<std::string> objects;
    Statement schema(db, "SELECT type, name, tbl_name, sql FROM sqlite_schema "
                         "WHERE type IN ('index', 'view', 'trigger') ORDER BY type, name");
    while (schema.step()) {
        const std::string type = textColumn(schema.handle(), 0);
        const std::string name = textColumn(schema.handle(), 1);
        const bool onTable = lowered(textColumn(schema.handle(), 2)) == "dorvi";
        const std::vector<std::string> words = identifiers(textColumn(schema.handle(), 3));
        const auto has = [&](const std::string& word) { return std::find(words.begin(), words.end(), word) != words.end(); };
        bool names = false;
        if (type == "index" && onTable) {
            // An index made by a UNIQUE constraint has no text: its columns are read.
            Statement parts(db, "SELECT name FROM pragma_index_info('" + quotedTextBody(name) + "')");
            while (parts.step())
                names = names || lowered(textColumn(parts.handle(), 0)) == wanted;
            names = names || has(wanted);
        } else if (type != "index") {
            names = has(wanted) && (onTable || has("dorvi"));
        }
        if (names)
            objects.push_back(objectInWords(type, name));
    }
    return objects;
}

void addField(sqlite3* db, std::string_view name, std::string_view declared)
{
    inTransaction(db, [&] {
        const std::vector<std::string> columns = catalogueColumns(db);
        // A standard field comes by its tick, under its own name.
        const auto reason = refusedName(name, columns);
        if (reason && !(findStandardField(name) && !hasColumn(columns, name)))
            throw Error(ErrorNumber::InputError, *reason);
        execute(db, alter("ADD COLUMN " + quotedIdentifier(name) + " " + std::string(declared)).c_str());
    });
}

long long checkChangeable(sqlite3* db, std::string_view name, bool renaming)
{
    const std::string column = existingColumn(db, name).first;
    if (renaming && findStandardField(column))
        throw Error(ErrorNumber::NotUpdatable, "Il campo " + quoted(column) +
                                                   " è un campo standard: il programma lo conosce per nome, "
                                                   "e non si rinomina.");
    refuseIfNamed(db, column, renaming ? "rinominare" : "eliminare");
    return booksHolding(db, column);
}

void renameField(sqlite3* db, std::string_view from, std::string_view to)
{
    inTransaction(db, [&] {
        const std::string column = existingColumn(db, from).first;
        checkChangeable(db, column, true);
        std::vector<std::string> others = catalogueColumns(db);
        others.erase(std::remove_if(others.begin(), others.end(),
                                    [&](const std::string& c) { return c == column; }),
                     others.end());
        if (const auto reason = refusedName(to, others))
            throw Error(ErrorNumber::InputError, *reason);
        execute(db, alter("RENAME COLUMN " + quotedIdentifier(column) + " TO " + quotedIdentifier(to)).c_str());
    });
}

KeptColumn removeField(sqlite3* db, std::string_view name)
{
    return inTransaction(db, [&] {
        auto [column, declared] = existingColumn(db, name);
        checkChangeable(db, column, false);
        KeptColumn kept{column, columnDefinition(db, column, declared), {}};
        Statement values(db, "SELECT rowid, " + quotedIdentifier(column) + " FROM dorvi WHERE " +
                                 quotedIdentifier(column) + " IS NOT NULL");
        while (values.step())
            kept.values.emplace_back(sqlite3_column_int64(values.handle(), 0), columnValue(values.handle(), 1));
        try {
            execute(db, alter("DROP COLUMN " + quotedIdentifier(column)).c_str());
        } catch (const Error& refused) {
            if ((refused.engineCode() & 0xff) != SQLITE_ERROR)
                throw;
            // A constraint or a generated column of the table itself uses it.
            throw Error(ErrorNumber::NotUpdatable, "Il campo " + quoted(column) +
                                                       " non si può eliminare: la tabella stessa lo usa (" +
                                                       refused.engineMessage() + ").");
        }
        return kept;
    });
}

void restoreField(sqlite3* db, const KeptColumn& kept)
{
    inTransaction(db, [&] {
        if (hasColumn(catalogueColumns(db), kept.name))
            throw Error(ErrorNumber::NotUpdatable, "Il catalogo ha di nuovo un campo " + quoted(kept.name) +
                                                       ", aggiunto da un altro programma: il campo eliminato "
                                                       "non si può rimettere.");
        execute(db, alter("ADD COLUMN " + quotedIdentifier(kept.name) + " " + kept.declared).c_str());
        Statement write(db, "UPDATE dorvi SET " + quotedIdentifier(kept.name) + " = ?1 WHERE rowid = ?2");
        Statement present(db, "SELECT 1 FROM dorvi WHERE rowid = ?1");
        for (const auto& [rowid, value] : kept.values) {
            write.bind(1, value);
            write.bind(2, Value(rowid));
            write.step();
            write.reset();
            // A book another program deleted meanwhile has no value to get back; one
            // still there whose value a trigger left out (RAISE(IGNORE)) would lose it.
            if (rowsChanged(db) == 0) {
                present.bind(1, Value(rowid));
                if (present.step())
                    throw Error(ErrorNumber::NotUpdatable,
                                "Una regola del catalogo (trigger di un altro programma) ha scartato i valori del "
                                "campo " + quoted(kept.name) + ": il campo eliminato non è stato rimesso.");
                present.reset();
            }
        }
    });
}

} // namespace catalogue
