// A new book while it is typed. It lives in the grid's model from the first cell
// typed into the new-row line until the book is written or dropped.
#include "pendingbook.h"

#include "celltext.h"
#include "delimitedtext.h"

#include <algorithm>

void PendingBook::set(int column, catalogue::Value value)
{
    const bool empty = catalogue::isNull(value) || value == catalogue::Value(std::string());
    m_cells.at(static_cast<std::size_t>(column)) = empty ? std::nullopt : std::optional(std::move(value));
    m_lastColumn = column;
}

bool PendingBook::isEmpty() const
{
    return std::none_of(m_cells.begin(), m_cells.end(), [](const auto& cell) { return cell.has_value(); });
}

catalogue::Recordset::NewBook PendingBook::cells() const
{
    catalogue::Recordset::NewBook book;
    for (std::size_t column = 0; column < m_cells.size(); ++column) {
        if (m_cells[column])
            book.emplace_back(static_cast<int>(column), *m_cells[column]);
    }
    return book;
}

QString PendingBook::clipboardText() const
{
    DelimitedText line(DelimitedText::clipboard);
    for (const auto& cell : m_cells)
        line.addText(cell ? cellText(*cell).toStdString() : std::string());
    line.endLine();
    return QString::fromStdString(line.bytes());
}
