#pragma once

#include "value.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct sqlite3;

namespace catalogue {

// A column of `dorvi` as the "Campi" dialog lists it.
struct FieldInfo {
    std::string name;
    std::string declared; ///< its declared type, as the file has it
    std::string kind;     ///< in words: "testo", "data", …
    long long valued = 0; ///< books holding a value: neither NULL nor empty text
    bool fixed = false;   ///< one of the first four, never removed or renamed
    bool standard = false;
};

// What a removal took away, so that it can be put back: the column's declared
// type and every value it held, by the book's rowid (a DROP COLUMN, never
// rebuilding the table, keeps each book's rowid).
struct KeptColumn {
    std::string name;
    std::string declared;
    std::vector<std::pair<std::int64_t, Value>> values;
};

// The columns of `dorvi` in the table's order, with one pass over the books for
// all their counts (about 1.5 s of CPU at a million books with every standard
// field), or none with `counting` false. Throws Error.
std::vector<FieldInfo> listFields(sqlite3* db, bool counting = true);

// How many books hold a value in `column`. Throws Error.
long long booksHolding(sqlite3* db, std::string_view column);

// The indexes, views and triggers of the file that name `column` of `dorvi`,
// in words ("l'indice «per_anno»"): the file is another program's too, and its
// objects stay as they are, so a column they name is neither removed nor renamed.
std::vector<std::string> objectsNaming(sqlite3* db, std::string_view column);

// Refuses, with the reason, a removal (or with `renaming` a renaming) of
// `column` before the user is asked: one of the first four, a standard field's
// renaming, another object naming it. Returns how many books hold a value in it.
long long checkChangeable(sqlite3* db, std::string_view column, bool renaming);

// Each is one ALTER TABLE in a transaction of its own, the table never rebuilt or
// copied. Each throws Error with nothing changed: a name refused (with the
// reason), a column another object names (naming it), a locked or read-only file
// (the message of every refused write).
void addField(sqlite3* db, std::string_view name, std::string_view declared);
void renameField(sqlite3* db, std::string_view from, std::string_view to);
// Removes any column but the first four, keeping what it held.
KeptColumn removeField(sqlite3* db, std::string_view name);
// Adds the column back (at the table's end) and writes back every value kept, in
// one transaction. Throws Error when the name is taken again meanwhile.
void restoreField(sqlite3* db, const KeptColumn& kept);

} // namespace catalogue
