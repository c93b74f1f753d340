#pragma once

#include "../support/jettestdata.h"

// Shared by the dorvi-import tests: a scratch folder per test, the project's Jet
// files, and reading back what a catalogue holds.
#include "sqlitehandles.h"
#include "value.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>
#include <sqlite3.h>

namespace importtesting {

namespace fs = std::filesystem;

// A folder of its own for each test, removed afterwards; tests may run at once.
class ScratchFolder {
public:
    ScratchFolder()
    {
        std::string pattern = (fs::temp_directory_path() / "dorvi-import-test-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp");
        m_path = pattern;
    }
    ~ScratchFolder()
    {
        std::error_code error;
        fs::remove_all(m_path, error);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const fs::path& path() const { return m_path; }
    fs::path operator/(const std::string& name) const { return m_path / name; }
    // Every name in the folder, to show that nothing was left behind.
    std::vector<std::string> names() const
    {
        std::vector<std::string> found;
        for (const auto& entry : fs::directory_iterator(m_path))
            found.push_back(entry.path().filename().string());
        std::sort(found.begin(), found.end());
        return found;
    }

private:
    fs::path m_path;
};

// A Access file of the shared test data; a file missing from a folder that is
// there fails the test that asks for it.
inline fs::path jetFile(const std::string& name)
{
    const fs::path path = jetTestData() / name;
    if (!fs::is_regular_file(path))
        throw std::runtime_error("Jet test file missing: " + path.string());
    return path;
}

inline std::string fileBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

inline void writeFile(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// Sets a protection in the first page of a copy of a Jet file. That page is
// stored under a fixed RC4 key stream, so bytes XORed into the stored ones are
// XORed into what lies under it. A plain file has zeros there for the encoding
// key (0x3E) and, once unmasked, for the password (0x42): the copy then reads as
// having that key and a password.
inline void protect(std::string& bytes, const std::string& password, std::uint32_t encodingKey)
{
    for (std::size_t i = 0; i < password.size(); ++i)
        bytes[0x42 + i] = static_cast<char>(bytes[0x42 + i] ^ password[i]);
    for (std::size_t i = 0; i < 4; ++i)
        bytes[0x3E + i] = static_cast<char>(bytes[0x3E + i] ^ static_cast<char>(encodingKey >> (8 * i)));
}

// Every row of a query, each cell with the type SQLite stored it as.
inline std::vector<std::vector<catalogue::Value>> query(const fs::path& database, const std::string& sql)
{
    sqlite3* raw = nullptr;
    sqlite3_open_v2(database.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
    catalogue::DatabaseHandle db(raw);
    sqlite3_stmt* rawStatement = nullptr;
    if (sqlite3_prepare_v2(db.get(), sql.c_str(), -1, &rawStatement, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db.get()));
    catalogue::StatementHandle statement(rawStatement);
    std::vector<std::vector<catalogue::Value>> rows;
    while (sqlite3_step(statement.get()) == SQLITE_ROW) {
        std::vector<catalogue::Value>& row = rows.emplace_back();
        for (int c = 0; c < sqlite3_column_count(statement.get()); ++c) {
            sqlite3_stmt* s = statement.get();
            switch (sqlite3_column_type(s, c)) {
            case SQLITE_INTEGER:
                row.emplace_back(static_cast<std::int64_t>(sqlite3_column_int64(s, c)));
                break;
            case SQLITE_FLOAT:
                row.emplace_back(sqlite3_column_double(s, c));
                break;
            case SQLITE_TEXT:
                row.emplace_back(std::string(reinterpret_cast<const char*>(sqlite3_column_text(s, c)),
                                             static_cast<std::size_t>(sqlite3_column_bytes(s, c))));
                break;
            case SQLITE_BLOB:
                row.emplace_back(catalogue::Blob{std::string(static_cast<const char*>(sqlite3_column_blob(s, c)),
                                                             static_cast<std::size_t>(sqlite3_column_bytes(s, c)))});
                break;
            default:
                row.emplace_back();
            }
        }
    }
    return rows;
}

// A column as "name TYPE" plus " pk" for a key column, in the table's order.
inline std::vector<std::string> columnsOf(const fs::path& database, const std::string& table)
{
    std::vector<std::string> columns;
    for (const auto& row : query(database, "SELECT name, type, pk FROM pragma_table_info('" + table + "')")) {
        columns.push_back(std::get<std::string>(row[0]) + " " + std::get<std::string>(row[1]) +
                          (std::get<std::int64_t>(row[2]) ? " pk" : ""));
    }
    return columns;
}

inline std::string utf8(char32_t c)
{
    std::string out;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

} // namespace importtesting
