// The captions and states of the undo and redo items. The history tells of every
// change to what it would undo, so the items never name a change already gone.
#include "undoactions.h"

#include "history.h"

#include <QAction>

namespace {

QString caption(const QString& verb, const std::string& change)
{
    return change.empty() ? verb : verb + QLatin1Char(' ') + QString::fromStdString(change);
}

} // namespace

UndoActions::UndoActions(QAction* undo, QAction* redo, std::shared_ptr<catalogue::History> history)
    : m_undo(undo), m_redo(redo), m_history(std::move(history))
{
    m_history->setOnChanged([this] { refresh(); });
    refresh();
}

UndoActions::~UndoActions()
{
    m_history->setOnChanged({});
}

void UndoActions::setEditing(bool editing)
{
    m_editing = editing;
    refresh();
}

void UndoActions::refresh()
{
    m_undo->setText(caption(QStringLiteral("&Annulla"), m_history->undoText()));
    m_redo->setText(caption(QStringLiteral("&Ripeti"), m_history->redoText()));
    m_undo->setEnabled(m_editing && m_history->canUndo());
    m_redo->setEnabled(m_editing && m_history->canRedo());
}
