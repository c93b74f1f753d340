#include "isbntyping.h"

#include "editrefusals.h"
#include "isbn.h"
#include "windowservices.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QClipboard>
#include <QTimer>

IsbnTyping::IsbnTyping(QObject& grid, WindowServices& services, Write write, Reopen reopen)
    : QObject(&grid), m_services(services), m_write(std::move(write)), m_reopen(std::move(reopen))
{
}

std::optional<QString> IsbnTyping::toWrite(const QAbstractItemModel& model, const QModelIndex& cell,
                                           const QString& typed)
{
    if (!catalogue::isIsbnColumn(model.headerData(cell.column(), Qt::Horizontal).toString().toStdString()))
        return typed;
    const catalogue::IsbnEntry entry = catalogue::isbnEntry(typed.toStdString());
    if (entry.question.empty())
        return QString::fromStdString(entry.stored);
    // Asked once the view has closed the editor: a box opened while it commits
    // would take the focus from an editor still closing.
    const bool queued = !m_question.isEmpty();
    m_cell = cell;
    m_typed = typed;
    m_question = QString::fromStdString(entry.question);
    if (!queued)
        QTimer::singleShot(0, this, &IsbnTyping::askPending);
    return std::nullopt;
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
    if (keep)
        m_write(m_cell, typed);
    else
        m_reopen(m_cell, typed);
}
