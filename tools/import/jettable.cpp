// Rows come from libmdb, but values are decoded here from the stored bytes rather
// than through libmdb's bound text buffers, which in 1.0.0 lose data three ways:
// dates before 1900 come out as "1900-01-00" (its formatter gives up on negative
// day counts), text and memos longer than the bind buffer are cut without a word,
// and its UTF-16 conversion turns characters outside the Basic Multilingual Plane
// into '?'. Decoding the bytes also keeps NULL apart from the empty text, which
// the bound text cannot.
#include "jettable.h"

#include "decimal.h"
#include "importerror.h"

#include <charconv>
#include <cmath>

namespace jetimport {

namespace {

constexpr int rowOffsetMask = 0x1FFF; // the rest of a row's offset word is flags

// Bytes a fixed-length value takes; 0 for the variable-length types.
std::size_t storedSize(int type)
{
    switch (type) {
    case MDB_BYTE:
        return 1;
    case MDB_INT:
        return 2;
    case MDB_LONGINT:
    case MDB_FLOAT:
    case MDB_COMPLEX:
        return 4;
    case MDB_MONEY:
    case MDB_DOUBLE:
    case MDB_DATETIME:
        return 8;
    case MDB_REPID:
        return 16;
    case MDB_NUMERIC:
        return 17;
    default:
        return 0;
    }
}

std::string hexByte(int value)
{
    static const char digits[] = "0123456789ABCDEF";
    return std::string("0x") + digits[(value >> 4) & 0xF] + digits[value & 0xF];
}

std::string joined(const std::string& first, const std::string& second)
{
    return first.empty() ? second : second.empty() ? first : first + "; " + second;
}

catalogue::Blob blobOf(Bytes bytes)
{
    return {std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size())};
}

std::string shortest(double value)
{
    char text[32];
    const auto written = std::to_chars(text, text + sizeof text, value);
    return std::string(text, written.ptr);
}

} // namespace

JetTable::JetTable(MdbCatalogEntry* entry, CodePage* codePage)
    : m_table(mdb_read_table(entry))
    , m_name(entry->object_name)
    , m_codePage(codePage)
{
    if (!m_table || !mdb_read_columns(m_table.get())) {
        throw ImportError(ExitCode::SourceUnreadable,
                          "Impossibile leggere la definizione della tabella " + quoted(m_name) +
                              ": il file è danneggiato.");
    }
    readColumns();
    readPrimaryKey();
    m_fields.resize(m_columns.size() + 1);
    mdb_rewind_table(m_table.get());
}

void JetTable::readColumns()
{
    // A decimal column's definition keeps its precision and then its scale, one
    // byte each (mdbtools' HACKING.md; Jackcess reads them at offsets 11 and 12
    // of a Jet 4 column). libmdb 1.0.0 reads the first into col_scale and the
    // second into col_prec, so a Numeric(18, 0) would have scale 18: whichever
    // field libmdb took from the earlier byte is the precision.
    const MdbFormatConstants* format = mdb()->fmt;
    const bool swapped = format->col_scale_offset < format->col_prec_offset;
    for (unsigned i = 0; i < m_table->num_cols; ++i) {
        const auto* column = static_cast<const MdbColumn*>(g_ptr_array_index(m_table->columns, i));
        const int scale = swapped ? column->col_prec : column->col_scale;
        const int precision = swapped ? column->col_scale : column->col_prec;
        m_columns.push_back({column->name, column->col_type, column->is_long_auto != 0, scale, precision});
    }
}

void JetTable::readPrimaryKey()
{
    // libmdb 1.0.0's mdb_read_indices returns NULL even when it has read the
    // indexes: what it read is in the table definition.
    mdb_read_indices(m_table.get());
    if (!m_table->indices)
        return;
    for (unsigned i = 0; i < m_table->indices->len; ++i) {
        const auto* index = static_cast<const MdbIndex*>(g_ptr_array_index(m_table->indices, i));
        if (index->index_type != 1) // 1 marks the primary key
            continue;
        std::vector<std::size_t> key;
        for (unsigned k = 0; k < index->num_keys && k < MDB_MAX_IDX_COLS; ++k) {
            const int position = index->key_col_num[k] - 1; // libmdb counts columns from 1
            if (position < 0 || static_cast<std::size_t>(position) >= m_columns.size())
                return; // a key naming no column: better no key than a wrong one
            key.push_back(static_cast<std::size_t>(position));
        }
        m_primaryKey = std::move(key);
        return;
    }
}

bool JetTable::next(JetRow& row)
{
    if (!mdb_fetch_row(m_table.get()))
        return false;
    row = JetRow{};
    // mdb_fetch_row leaves the row's page in pg_buf and cur_row just past the row;
    // taking the row apart again gives each value's place on the page.
    int start = 0;
    std::size_t size = 0;
    if (m_table->cur_row == 0 || mdb_find_row(mdb(), static_cast<int>(m_table->cur_row) - 1, &start, &size) != 0 ||
        mdb_crack_row(m_table.get(), start & rowOffsetMask, size, m_fields.data()) < 0) {
        row.readable = false;
        return true;
    }
    row.values.resize(m_columns.size());
    for (std::size_t i = 0; i < m_columns.size(); ++i) {
        const MdbField& field = m_fields[i];
        const auto column = static_cast<std::size_t>(field.colnum);
        if (column >= m_columns.size()) {
            row.readable = false;
            return true;
        }
        ValueProblem problem{column, {}, false};
        row.values[column] = decode(m_columns[column], field, problem);
        if (!problem.reason.empty())
            row.problems.push_back(problem);
    }
    return true;
}

catalogue::Value JetTable::decode(const JetColumn& column, const MdbField& field, ValueProblem& problem)
{
    // Jet keeps a yes/no value in the row's null mask: there is no NULL yes/no.
    if (column.type == MDB_BOOL)
        return std::int64_t{field.is_null ? 0 : 1};
    if (field.is_null)
        return {};
    if (field.start < 0 || field.siz < 0 || field.start + field.siz > mdb()->fmt->pg_size) {
        problem.reason = "valore fuori dalla sua pagina (file danneggiato): scritto NULL";
        problem.lost = true;
        return {};
    }
    const Bytes bytes(mdb()->pg_buf + field.start, static_cast<std::size_t>(field.siz));
    if (storedSize(column.type) > 0)
        return decodeFixed(column, bytes, problem);
    return decodeVariable(column, bytes, problem);
}

catalogue::Value JetTable::decodeFixed(const JetColumn& column, Bytes bytes, ValueProblem& problem)
{
    const std::size_t size = storedSize(column.type);
    if (bytes.size() < size) {
        problem.reason = "valore danneggiato (" + std::to_string(bytes.size()) + " byte invece di " +
                         std::to_string(size) + "): scritto NULL";
        problem.lost = true;
        return {};
    }
    switch (column.type) {
    case MDB_BYTE:
        return std::int64_t{bytes[0]};
    case MDB_INT:
        return std::int64_t{littleEndian16(bytes)};
    case MDB_LONGINT:
        return std::int64_t{littleEndian32(bytes)};
    case MDB_COMPLEX:
        problem.reason = "colonna a valori multipli o allegati, che non si converte: scritto il suo numero interno";
        return std::int64_t{littleEndian32(bytes)};
    case MDB_MONEY:
        return currencyText(littleEndian64(bytes));
    case MDB_FLOAT:
        return singleAsDouble(storedSingle(bytes));
    case MDB_REPID:
        return guidText(bytes);
    case MDB_NUMERIC:
        return decimal(column, bytes, problem);
    default:
        break;
    }
    const double number = storedDouble(bytes);
    if (std::isnan(number)) {
        // SQLite would store a NaN as NULL; the text says what was there.
        problem.reason = "valore non numerico (NaN): scritto come testo \"NaN\"";
        return std::string("NaN");
    }
    if (column.type == MDB_DATETIME) {
        if (auto text = jetDateText(number))
            return *text;
        problem.reason = "data fuori dagli anni 100-9999 di Access: scritto il numero memorizzato, " + shortest(number);
    }
    return number;
}

catalogue::Value JetTable::decodeVariable(const JetColumn& column, Bytes bytes, ValueProblem& problem)
{
    switch (column.type) {
    case MDB_TEXT:
        return text(bytes, problem);
    case MDB_BINARY:
        return blobOf(bytes);
    case MDB_MEMO:
    case MDB_OLE: {
        const LongValue value = longValue(bytes);
        const Bytes stored(reinterpret_cast<const unsigned char*>(value.bytes.data()), value.bytes.size());
        catalogue::Value decoded = column.type == MDB_OLE ? catalogue::Value(blobOf(stored)) : text(stored, problem);
        if (!value.complete) {
            problem.reason = joined("valore lungo interrotto (file danneggiato): letti solo " +
                                        std::to_string(value.bytes.size()) + " byte",
                                    problem.reason);
            problem.lost = true;
        }
        return decoded;
    }
    default:
        problem.reason = "tipo di colonna sconosciuto (" + hexByte(column.type) + "): scritti i byte memorizzati";
        return blobOf(bytes);
    }
}

catalogue::Value JetTable::decimal(const JetColumn& column, Bytes bytes, ValueProblem& problem)
{
    ConvertedDecimal converted = convertDecimal(bytes, {column.precision, column.scale});
    problem.reason = std::move(converted.problem);
    return std::move(converted.value);
}

catalogue::Value JetTable::text(Bytes bytes, ValueProblem& problem)
{
    if (!m_codePage) {
        DecodedText decoded = decodeJet4Text(bytes);
        if (decoded.replaced)
            problem.reason = "testo con caratteri UTF-16 non validi, sostituiti da U+FFFD";
        return std::move(decoded.utf8);
    }
    DecodedText decoded = m_codePage->decode(bytes);
    if (decoded.replaced)
        problem.reason = "testo con byte che nel codice " + m_codePage->name() + " non sono caratteri, tenuti come Latin-1";
    return std::move(decoded.utf8);
}

LongValue JetTable::longValue(Bytes reference)
{
    MdbHandle* handle = mdb();
    return readLongValue(reference, [handle](std::uint32_t pageRow) -> std::optional<std::string_view> {
        void* page = nullptr;
        int offset = 0;
        std::size_t length = 0;
        // libmdb reads the long-value page into its second buffer and leaves the
        // row's own page where it was.
        if (mdb_find_pg_row(handle, static_cast<int>(pageRow), &page, &offset, &length) != 0 || offset < 0 ||
            static_cast<std::size_t>(offset) + length > static_cast<std::size_t>(handle->fmt->pg_size))
            return std::nullopt;
        return std::string_view(static_cast<const char*>(page) + offset, length);
    });
}

} // namespace jetimport
