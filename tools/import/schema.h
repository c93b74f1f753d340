#pragma once

#include "jettable.h"
#include "tablelayout.h"

#include <string>
#include <vector>

namespace jetimport {

// How one Jet table is laid out in the catalogue.
using SchemaColumn = catalogue::LayoutColumn;
using TableSchema = catalogue::TableLayout;

// The declared type for a Jet column type (libmdb's MDB_* code). Currency and
// decimals are text, so no affinity turns them into inexact reals; dates are ISO
// text in a DATETIME column, whose affinity leaves that text as it is.
std::string declaredType(int jetType);
// The same for a column, whose definition also says when a decimal is an
// integer: scale 0 and at most 18 digits make it INTEGER.
std::string declaredType(const JetColumn& column);

// The table's layout: every column in its order, the primary key, and, for the
// books table "dorvi", autore, titolo and genere without regard to case and
// indexed, as in the starter catalogue. Without a primary key, a lone AutoNumber
// column becomes the key.
TableSchema tableSchema(const std::string& name, const std::vector<JetColumn>& columns,
                        const std::vector<std::size_t>& primaryKey);

using catalogue::createIndexStatements;
using catalogue::createTableStatement;
using catalogue::insertStatement;

} // namespace jetimport
