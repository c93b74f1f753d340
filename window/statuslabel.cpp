// The band's words. A long path is cut in the middle to fit; the whole text stays
// in the tooltip and in what a screen reader reads.
#include "statuslabel.h"

#include "recordset.h"
#include "rowsonshow.h"
#include "shownrowsmodel.h"

#include <QDir>
#include <QEvent>
#include <QLocale>

const QString firstStepsText =
    QStringLiteral("Interroga › Visualizza tutto per vedere il catalogo; Gestione per modificarlo");

QString booksText(std::size_t books)
{
    if (books == 0)
        return QStringLiteral("Nessun libro");
    if (books == 1)
        return QStringLiteral("1 libro");
    return QStringLiteral("%1 libri").arg(QLocale(QLocale::Italian).toString(static_cast<qulonglong>(books)));
}

StatusLabel::StatusLabel(QWidget* parent) : QLabel(parent)
{
    setObjectName(QStringLiteral("lblstato"));
    setAccessibleName(QStringLiteral("Stato"));
    setTextFormat(Qt::PlainText);
    render();
}

void StatusLabel::showBooks(const RowsOnShow& shown)
{
    m_started = m_started || shown.recordset;
    m_books = shown.recordset && shown.recordset->isUpdatable();
    m_count = m_books ? booksText(shown.rows.size()) : QString();
    m_report = std::exchange(m_nextReport, QString());
    render();
}

void StatusLabel::reportExport(std::size_t books, const QString& path)
{
    if (path.isEmpty())
        return;
    m_nextReport = QStringLiteral("%1 in %2")
                   .arg(books == 1 ? QStringLiteral("1 libro esportato")
                                   : QStringLiteral("%1 esportati").arg(booksText(books)),
                        QDir::toNativeSeparators(path));
}

void StatusLabel::follow(ShownRowsModel* view)
{
    if (!view || view == m_view)
        return;
    m_view = view;
    connect(view, &ShownRowsModel::shownRecordsChanged, this, [this] {
        if (!m_books)
            return;
        m_count = booksText(static_cast<std::size_t>(m_view->shownRecords()));
        m_report.clear(); // it spoke of rows that have changed since
        render();
    });
}

void StatusLabel::giveWayTo(QWidget* filterBar)
{
    filterBar->installEventFilter(this);
    setVisible(!filterBar->isVisible());
}

bool StatusLabel::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Show)
        hide();
    else if (event->type() == QEvent::Hide)
        show();
    return QLabel::eventFilter(watched, event);
}

void StatusLabel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    render();
}

void StatusLabel::render()
{
    // A command that failed before showing anything (a missing catalogue) leaves
    // the first steps said: they are still the way to begin.
    const QString told = m_report.isEmpty() || m_count.isEmpty() ? m_count + m_report
                                                                 : m_count + QStringLiteral(" · ") + m_report;
    const QString whole = m_started || !told.isEmpty() ? told : firstStepsText;
    setText(fontMetrics().elidedText(whole, Qt::ElideMiddle, std::max(width(), 1)));
    setToolTip(whole);
    setAccessibleDescription(whole);
}
