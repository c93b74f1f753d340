// The spreadsheet export. Values are read typed from the result set, not as the
// grid's text, so integers, reals and bytes each get their own form; the text goes
// out in blocks of a megabyte, which keeps a million rows close to the engine's
// own export.
#include "csvexport.h"

#include "delimitedtext.h"
#include "recordset.h"
#include "replacingfile.h"
#include "rowsonshow.h"
#include "windowservices.h"

namespace {

constexpr std::size_t blockBytes = 1 << 20;
constexpr std::size_t rowsBetweenReports = 4096;

} // namespace

bool writeSpreadsheet(const RowsOnShow& shown, ReplacingFile& file, Progress& progress)
{
    const catalogue::Recordset& recordset = *shown.recordset;
    const std::vector<int> columns = shown.columnsInOrder();
    DelimitedText text(DelimitedText::spreadsheet);
    text.bytes().reserve(blockBytes + 64 * 1024);
    text.bytes() = "\xEF\xBB\xBF";
    for (int column : columns)
        text.addText(recordset.columnName(column));
    text.endLine();
    for (std::size_t i = 0; i < shown.rows.size(); ++i) {
        if (i % rowsBetweenReports == 0 && !progress.advance(static_cast<qint64>(i)))
            return false;
        for (int column : columns)
            text.addValue(recordset.value(shown.rows[i], column));
        text.endLine();
        if (text.bytes().size() >= blockBytes) {
            file.write(text.bytes());
            text.bytes().clear();
        }
    }
    file.write(text.bytes());
    return progress.advance(static_cast<qint64>(shown.rows.size()));
}
