#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

#include "fieldkind.h"
#include "rowsonshow.h"

// The columns of the printed list: which of the columns on show take room on the
// paper, how a value reads there, how wide each column is on a page and how a
// value wraps in it. Widths are in the page's units, the fonts sized in them.
class PageColumns {
public:
    // The columns of `shown` in its order, less those empty on every row of it
    // (all of them are kept when every one is empty, or there is no row).
    PageColumns(const RowsOnShow& shown, const QFont& font, const QFont& headingFont, double padding);

    std::size_t count() const { return m_columns.size(); }
    QString heading(std::size_t column) const;
    // The value of the result's `row` in `column` as the grid shows it: a date as
    // 8/12/2026, a rating as ★★★★☆, sì or no; the rest as the exports write it.
    QString text(std::size_t row, std::size_t column) const;
    // Numbers stand right, as in the grid.
    bool alignsRight(std::size_t row, std::size_t column) const;

    // The columns side by side on one line each, none wider than about 10.5 cm.
    double naturalWidth() const;
    // Shares `width` among the columns: see the definition.
    void fit(double width);
    double width(std::size_t column) const { return m_columns[column].width; }

    // The lines `text` takes in `column` at its fitted width, at most `maxLines`
    // (0: no limit): broken at its own line breaks, then between words; inside a
    // word only when the word alone is wider than the column. A date, an ISBN, a
    // number or a rating is one word, spaces and all.
    QStringList wrapped(const QString& text, const QFont& font, std::size_t column, int maxLines = 0) const;
    // The heading's lines, broken between words only.
    QStringList headingLines(std::size_t column) const;

private:
    struct Column {
        int source = 0;         ///< the result's column
        FieldKind kind = FieldKind::Text;
        bool whole = false;     ///< its values are never broken between words
        double natural = 0;     ///< its heading and widest line, on one line each
        double least = 0;       ///< its heading's and values' widest word
        double width = 0;       ///< on the page being laid out
    };

    void measure(Column& column, const std::vector<std::size_t>& rows) const;
    void shareUnderCap(double width, const std::function<double(const Column&)>& lower,
                       const std::function<double(const Column&)>& upper);

    std::shared_ptr<catalogue::Recordset> m_recordset;
    QFont m_font, m_headingFont;
    double m_padding;
    std::vector<Column> m_columns;
};
