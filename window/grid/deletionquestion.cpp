// Words of the question before a deletion. The titles come from the rows shown, so
// the question costs the same for three books as for a million.
#include "deletionquestion.h"

#include "booklabel.h"
#include "recordset.h"

#include <QLocale>
#include <QStringList>

namespace {

constexpr std::size_t booksListed = 3;

} // namespace

QString deletionQuestion(const catalogue::Recordset& shown, const std::vector<std::size_t>& rows)
{
    const std::vector<std::string>& names = shown.columnNames();
    const auto label = [&](std::size_t row) {
        return QString::fromStdString(catalogue::bookLabel(names, shown.rowValues(row)));
    };
    if (rows.size() == 1)
        return QStringLiteral("Eliminare dal catalogo il libro %1?").arg(label(rows.front()));
    if (rows.size() <= booksListed) {
        QStringList books;
        for (std::size_t row : rows)
            books << label(row);
        return QStringLiteral("Eliminare dal catalogo questi %1 libri?\n\n%2").arg(rows.size()).arg(books.join('\n'));
    }
    const auto title = [&](std::size_t row) {
        return QString::fromStdString(catalogue::bookTitle(names, shown.rowValues(row)));
    };
    return QStringLiteral("Eliminare dal catalogo %1 libri, da %2 a %3?")
        .arg(QLocale(QLocale::Italian).toString(static_cast<qulonglong>(rows.size())), title(rows.front()),
             title(rows.back()));
}
