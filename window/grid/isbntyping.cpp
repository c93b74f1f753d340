// The ISBN typed in the grid: written as its 13 digits, or, with a wrong check
// digit, asked about; what was typed is never lost.
#include "isbntyping.h"

#include "celleditor.h"
#include "editrefusals.h"
#include "isbn.h"
#include "windowservices.h"

#include <QAbstractItemModel>
#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QTimer>

IsbnTyping::IsbnTyping(QAbstractItemView& grid, WindowServices& services, EditRefusals& refusals, Reopen reopen)
    : QObject(&grid), m_grid(grid), m_services(services), m_refusals(refusals), m_reopen(std::move(reopen))
{
}

bool IsbnTyping::prepare(QWidget* editor, const QModelIndex& cell)
{
    const QAbstractItemModel& model = *m_grid.model();
    if (!catalogue::isIsbnColumn(model.headerData(cell.column(), Qt::Horizontal).toString().toStdString()))
        return true;
    const QString typed = CellEditor::text(editor);
    const catalogue::IsbnEntry entry = catalogue::isbnEntry(typed.toStdString());
    if (entry.question.empty()) {
        if (const QString stored = QString::fromStdString(entry.stored); stored != typed)
            CellEditor::setText(editor, stored);
        return true;
    }
    // Asked once the view has closed the editor: a box opened while it commits
    // would take the focus from an editor still closing.
    const bool queued = !m_question.isEmpty();
    m_cell = cell;
    m_typed = typed;
    m_question = QString::fromStdString(entry.question);
    if (!queued)
        QTimer::singleShot(0, this, &IsbnTyping::askPending);
    return false;
}

void IsbnTyping::askPending()
{
    if (m_question.isEmpty())
        return;
    const QString question = std::exchange(m_question, {});
    const QString typed = m_typed;
    const bool keep = m_services.confirm(question, QStringLiteral("ISBN non valido"));
    if (!m_cell.isValid()) {
        QApplication::clipboard()->setText(typed);
        m_services.information(QStringLiteral("Il valore «%1» non è stato scritto: la riga non è più nella griglia.")
                                       .arg(typed) + EditRefusals::rescuedSentence(),
                               QStringLiteral("ISBN non valido"));
        return;
    }
    if (keep) {
        const QModelIndex cell = m_cell;
        m_refusals.watch(m_cell, typed, EditRefusals::Then::Reopen,
                         [&] { m_grid.model()->setData(cell, typed, Qt::EditRole); });
    } else
        m_reopen(m_cell, typed);
}
