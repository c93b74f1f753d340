#pragma once

#include "value.h"

#include <QDate>
#include <QString>

#include <Qt>
#include <optional>

namespace catalogue {
class Recordset;
}

// A book lent more than this many days ago is late: marked in every listing that
// shows it, and counted apart by Libri in prestito.
constexpr int overdueDays = 30;

// The date cell of a late loan answers this role with the days since the loan,
// so a view can mark it; every other cell answers nothing.
enum LoanRole { OverdueDaysRole = Qt::UserRole + 60 };

// The columns of a result that say who has a book and since when; -1 where missing.
struct LoanColumns {
    int to = -1;
    int since = -1;
};
LoanColumns loanColumns(const catalogue::Recordset& recordset);

// The days a book has been out on `today`, when it is out: a name that is not
// blank and a date as stored; nothing otherwise.
std::optional<qint64> daysOut(const catalogue::Value& to, const catalogue::Value& since, const QDate& today);
inline bool isOverdue(qint64 days) { return days > overdueDays; }

// "in prestito da 3 giorni", "in prestito da 45 giorni, oltre 30"
QString daysOutText(qint64 days);
