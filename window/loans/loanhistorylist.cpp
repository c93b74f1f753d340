// A book's loans as the card lists them, read anew each time it is told the book;
// an unreadable file leaves it empty with the reason.
#include "loanhistorylist.h"

#include "connection.h"
#include "error.h"
#include "loans.h"
#include "valuerules.h"

#include <QDate>
#include <QFile>

namespace {

// "8/12/2026", as the grid shows a date; a value that is no date stays as stored.
QString italianDate(const std::string& stored)
{
    const std::optional<std::string> shown = catalogue::shownValue(catalogue::FieldKind::Date, stored);
    return QString::fromStdString(shown.value_or(stored));
}

} // namespace

LoanHistoryList::LoanHistoryList(QWidget* parent) : QTreeWidget(parent)
{
    setObjectName(QStringLiteral("storiaprestiti"));
    setAccessibleName(QStringLiteral("Prestiti del libro"));
    setHeaderLabels({QStringLiteral("A"), QStringLiteral("Dal"), QStringLiteral("Al")});
    setRootIsDecorated(false);
    setSelectionMode(QAbstractItemView::NoSelection);
}

void LoanHistoryList::showBook(const QString& cataloguePath, std::int64_t iddorvo)
{
    clear();
    try {
        const catalogue::Connection connection =
            catalogue::Connection::opened(QFile::encodeName(cataloguePath).toStdString());
        const std::vector<catalogue::Loan> loans = catalogue::loansOf(connection.handle(), iddorvo);
        for (const catalogue::Loan& loan : loans) {
            const QString until = loan.until.empty() ? QStringLiteral("in prestito") : italianDate(loan.until);
            addTopLevelItem(new QTreeWidgetItem({QString::fromStdString(loan.to), italianDate(loan.from), until}));
        }
        if (loans.empty())
            addTopLevelItem(new QTreeWidgetItem({QStringLiteral("Mai prestato")}));
    } catch (const catalogue::Error& error) {
        addTopLevelItem(new QTreeWidgetItem({QStringLiteral("Prestiti non leggibili: %1")
                                                 .arg(QString::fromStdString(error.description()))}));
    }
}
