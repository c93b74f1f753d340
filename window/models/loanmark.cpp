// The mark of a late loan: the date cell of a book out too long answers with its
// days, in every listing that shows it.
#include "loanmark.h"

#include "fieldkind.h"
#include "recordset.h"
#include "standardfields.h"

LoanColumns loanColumns(const catalogue::Recordset& recordset)
{
    LoanColumns columns;
    for (int column = 0; column < recordset.columnCount(); ++column) {
        const catalogue::StandardField* field = catalogue::findStandardField(recordset.columnName(column));
        if (field && field->name == "prestato_a")
            columns.to = column;
        else if (field && field->name == "prestato_il")
            columns.since = column;
    }
    return columns;
}

std::optional<qint64> daysOut(const catalogue::Value& to, const catalogue::Value& since, const QDate& today)
{
    const auto* name = std::get_if<std::string>(&to);
    const auto* date = std::get_if<std::string>(&since);
    if (!name || !date || name->find_first_not_of(" \t") == std::string::npos)
        return std::nullopt;
    const std::optional<QDate> lent = readDate(*date);
    if (!lent)
        return std::nullopt;
    return lent->daysTo(today);
}

QString daysOutText(qint64 days)
{
    const QString text = days == 1 ? QStringLiteral("in prestito da 1 giorno")
                                   : QStringLiteral("in prestito da %1 giorni").arg(days);
    return isOverdue(days) ? text + QStringLiteral(", oltre %1").arg(overdueDays) : text;
}
