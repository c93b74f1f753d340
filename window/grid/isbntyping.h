#pragma once

#include <QObject>
#include <QPersistentModelIndex>
#include <QString>

#include <functional>
#include <optional>

class EditRefusals;
class QAbstractItemView;
class WindowServices;

// The ISBN rule as the grid applies it to what is typed in the `isbn` column: an
// ISBN in any of its forms is written as its 13 digits; one whose check digit is
// wrong is not written, and once the editor has closed a question gives the right
// digit and offers to keep the value exactly as typed. No opens the cell's editor
// again holding the text; when the cell is gone meanwhile (a command listed
// anew), the text goes to the clipboard. Nothing typed is ever lost.
class IsbnTyping : public QObject {
public:
    using Reopen = std::function<void(const QModelIndex& cell, const QString& typed)>;

    // A kept value is written through `refusals`, as every edit of the grid is.
    IsbnTyping(QAbstractItemView& grid, WindowServices& services, EditRefusals& refusals, Reopen reopen);

    // Puts in `editor` of `cell` the text to write; false when the write waits for
    // the user's answer.
    bool prepare(QWidget* editor, const QModelIndex& cell);
    // Asks the question waiting, if any.
    void askPending();

private:
    QAbstractItemView& m_grid;
    WindowServices& m_services;
    EditRefusals& m_refusals;
    Reopen m_reopen;
    QPersistentModelIndex m_cell;
    QString m_typed;
    QString m_question;
};
