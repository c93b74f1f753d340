// Books named by iddorvo and found again as rows of a result: the one link
// between what a tool chooses and where the grid shows it.
#include "bookchoice.h"

#include "fieldnames.h"
#include "grid.h"
#include "recordset.h"
#include "toolhost.h"

#include <QString>

#include <unordered_map>

namespace {

int idColumn(const catalogue::Recordset& result)
{
    for (int c = 0; c < result.columnCount(); ++c) {
        if (catalogue::sameColumnName(result.columnName(c), "iddorvo"))
            return c;
    }
    return -1;
}

std::optional<std::int64_t> idOf(const catalogue::Recordset& result, std::size_t row, int column)
{
    const catalogue::Value value = result.value(row, column);
    if (const auto* id = std::get_if<std::int64_t>(&value))
        return *id;
    return std::nullopt;
}

} // namespace

std::optional<std::int64_t> bookIdAt(const catalogue::Recordset& result, std::size_t row)
{
    const int column = idColumn(result);
    if (column < 0 || row >= result.rowCount())
        return std::nullopt;
    return idOf(result, row, column);
}

std::vector<ChosenBook> chosenBooks(ToolHost& host)
{
    const std::shared_ptr<catalogue::Recordset> result = host.grid().boundResult();
    return result ? findBooks(*result, host.selectedBooks()) : std::vector<ChosenBook>();
}

std::vector<ChosenBook> findBooks(const catalogue::Recordset& result, const std::vector<std::int64_t>& ids)
{
    std::vector<ChosenBook> books;
    const int column = idColumn(result);
    if (column < 0)
        return books;
    std::unordered_map<std::int64_t, std::size_t> rows;
    for (std::size_t row = 0; row < result.rowCount(); ++row) {
        if (const auto id = idOf(result, row, column))
            rows.emplace(*id, row);
    }
    for (const std::int64_t id : ids) {
        if (const auto found = rows.find(id); found != rows.end())
            books.push_back({found->second, id});
    }
    return books;
}
