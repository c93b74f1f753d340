#pragma once

#include <QObject>
#include <QPersistentModelIndex>
#include <QString>

#include <functional>
#include <optional>

class QAbstractItemModel;
class WindowServices;

// The ISBN rule as the grid applies it to what is typed in the `isbn` column: an
// ISBN in any of its forms is written as its 13 digits; one whose check digit is
// wrong is not written, and once the editor has closed a question gives the right
// digit and offers to keep the value exactly as typed. No opens the cell's editor
// again holding the text; when the cell is gone meanwhile (a command listed
// anew), the text goes to the clipboard. Nothing typed is ever lost.
class IsbnTyping : public QObject {
public:
    using Write = std::function<void(const QModelIndex& cell, const QString& typed)>;
    using Reopen = std::function<void(const QModelIndex& cell, const QString& typed)>;

    IsbnTyping(QObject& grid, WindowServices& services, Write write, Reopen reopen);

    // The text to write for `typed` in `cell` of `model`; nothing when the write
    // waits for the user's answer.
    std::optional<QString> toWrite(const QAbstractItemModel& model, const QModelIndex& cell, const QString& typed);
    // Asks the question waiting, if any.
    void askPending();

private:
    WindowServices& m_services;
    Write m_write;
    Reopen m_reopen;
    QPersistentModelIndex m_cell;
    QString m_typed;
    QString m_question;
};
