// The quick filter's field. It belongs to the window and lives as long as it; the
// filtering itself is the grid's row map's, so this only forwards what is typed and
// shows the count. Filtering never touches the statement, the result or the file.
#include "filterbar.h"

#include "datagrid.h"
#include "shownrowsmodel.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QTimer>
#include <QToolButton>

FilterBar::FilterBar(DataGrid& grid, QWidget* parent)
    : QWidget(parent), m_grid(grid), m_field(new QLineEdit(this)), m_count(new QLabel(this))
{
    setObjectName(QStringLiteral("filtro"));
    m_field->setObjectName(QStringLiteral("txtfiltro"));
    m_field->setPlaceholderText(QStringLiteral("Trova autore, titolo o genere"));
    m_field->setAccessibleName(QStringLiteral("Trova"));
    m_field->setClearButtonEnabled(true);
    nameClearButton();
    m_field->installEventFilter(this);
    m_count->setObjectName(QStringLiteral("lblfiltro"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_field, 3);
    layout->addWidget(m_count, 2);
    connect(m_field, &QLineEdit::textChanged, this, &FilterBar::filter);
    hide();
}

// Qt's clear button carries only an icon, which a screen reader cannot read.
void FilterBar::nameClearButton()
{
    const QString name = QStringLiteral("Cancella il testo di Trova");
    for (QToolButton* button : m_field->findChildren<QToolButton*>()) {
        button->setAccessibleName(name);
        button->setToolTip(name);
        if (QAction* action = button->defaultAction())
            action->setToolTip(name);
    }
}

ShownRowsModel* FilterBar::view()
{
    ShownRowsModel* view = m_grid.shownRows();
    if (view && view != m_view) {
        m_view = view;
        connect(view, &ShownRowsModel::shownRecordsChanged, this, &FilterBar::showCount);
        connect(view, &ShownRowsModel::statementOrderRestored, this, [this] {
            if (!m_field->text().isEmpty() || isVisible())
                dismiss();
        });
    }
    return view;
}

// The keyboard moves to the field here, before the event loop runs again: keys the
// user typed while the window was busy are already waiting, and each goes to
// whatever has the keyboard when its turn comes. Given the keyboard later, the
// field let them reach the grid, and be written into the book under the cursor.
void FilterBar::open()
{
    show();
    m_field->selectAll();
    m_field->setFocus(Qt::ShortcutFocusReason);
    showCount();
    prepareInIdleTime();
}

// The filter's text is folded in short slices between the user's keys, so at a
// million books the first letter does not wait a third of a second for it.
void FilterBar::prepareInIdleTime()
{
    ShownRowsModel* rows = view();
    if (!rows || !isVisible() || rows->prepareFilter())
        return;
    QTimer::singleShot(0, this, [this, rows = QPointer<ShownRowsModel>(rows)] {
        if (rows && rows == m_grid.shownRows())
            prepareInIdleTime();
    });
}

void FilterBar::dismiss()
{
    const bool hadFocus = m_field->hasFocus();
    hide();
    m_field->clear();
    if (hadFocus)
        m_grid.setFocus(Qt::OtherFocusReason);
}

void FilterBar::filter(const QString& text)
{
    if (ShownRowsModel* rows = view()) {
        // An open cell edit is written before its row may leave the screen.
        m_grid.commitPendingEdit();
        rows->setFilterText(text);
    }
    showCount();
}

QString FilterBar::countText() const
{
    return m_count->text();
}

void FilterBar::showCount()
{
    ShownRowsModel* rows = view();
    if (!rows || !isVisible()) {
        m_count->clear();
        return;
    }
    const QLocale italian(QLocale::Italian, QLocale::Italy);
    const int total = rows->totalRecords();
    m_count->setText(QStringLiteral("%1 di %2 %3")
                         .arg(italian.toString(rows->shownRecords()), italian.toString(total),
                              total == 1 ? QStringLiteral("libro") : QStringLiteral("libri")));
}

// Esc clears and closes; Return or Down takes the keyboard to the rows found,
// keeping the filter, so they can be selected, copied or edited.
bool FilterBar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_field || event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    switch (static_cast<QKeyEvent*>(event)->key()) {
    case Qt::Key_Escape:
        dismiss();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Down:
        m_grid.setFocus(Qt::OtherFocusReason);
        if (!m_grid.currentIndex().isValid() && m_grid.model() && m_grid.model()->rowCount() > 0)
            m_grid.setCurrentIndex(m_grid.model()->index(0, 0));
        return true;
    default:
        return QWidget::eventFilter(watched, event);
    }
}
