#pragma once

#include <memory>

class QAction;

namespace catalogue {
class History;
}

// Keeps the two menu items "Annulla" and "Ripeti" in step with the history: each
// names the change it concerns, and both are usable only in editing mode, since
// taking a change back is a write like any other.
class UndoActions {
public:
    UndoActions(QAction* undo, QAction* redo, std::shared_ptr<catalogue::History> history);
    ~UndoActions();
    UndoActions(const UndoActions&) = delete;
    UndoActions& operator=(const UndoActions&) = delete;

    void setEditing(bool editing);

private:
    void refresh();

    QAction* m_undo;
    QAction* m_redo;
    std::shared_ptr<catalogue::History> m_history;
    bool m_editing = false;
};
