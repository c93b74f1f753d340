#pragma once

#include "recordset.h"

#include <QString>

#include <optional>
#include <vector>

// The book being typed into the new-row line, before it is written: what was typed
// into each cell, and which cell last. It is written as one insert once its row is
// left; until then it lives here alone, and nothing of it is in the file.
class PendingBook {
public:
    explicit PendingBook(int columns) : m_cells(static_cast<std::size_t>(columns)) {}

    // Takes what was typed into `column`; NULL or the empty text leaves the cell
    // to the table's default.
    void set(int column, catalogue::Value value);
    const std::optional<catalogue::Value>& cell(int column) const { return m_cells.at(static_cast<std::size_t>(column)); }
    bool isEmpty() const;
    int lastColumn() const { return m_lastColumn; }

    // The cells typed, as the result set writes them.
    catalogue::Recordset::NewBook cells() const;
    // The book as one tab-separated line, every column in order, as the clipboard
    // carries cells: what the user gets back when the file refuses it.
    QString clipboardText() const;

private:
    std::vector<std::optional<catalogue::Value>> m_cells;
    int m_lastColumn = 0;
};
