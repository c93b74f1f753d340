#pragma once

#include "error.h"

#include <QObject>
#include <QPersistentModelIndex>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

class WindowServices;

// What the file refused while the grid was writing, and what the user had typed
// there, which is never thrown away. Errors are held while the write unwinds (a
// dialog opened inside it would close the editor a second time) and told once, as
// soon as the event loop runs or a command asks. Then the cell's editor opens
// again holding the typed text, to be put right; or, when a command or the
// window's closing is about to run instead, the text goes to the clipboard, the
// message says so, and the command goes on.
class EditRefusals : public QObject {
    Q_OBJECT
public:
    // What becomes of an edit the file refused.
    enum class Then { Reopen, Rescue };
    using Reopen = std::function<void(const QModelIndex& cell, const QString& typed)>;

    // Lives as a child of `grid`; `reopen` opens the cell's editor holding the text.
    EditRefusals(QObject& grid, WindowServices& services, Reopen reopen);

    // An error raised by a write; told by the next showPending, queued at once.
    void report(const catalogue::Error& error);
    // Runs `write`, which writes `typed`, typed into `cell`. When it reports an
    // error, `typed` is kept as `then` says.
    void watch(const QPersistentModelIndex& cell, const QString& typed, Then then, const std::function<void()>& write);
    bool hasUnshown() const { return !m_errors.empty(); }
    // Tells every error held, then reopens the edit refused, if any.
    void showPending();

    // What the message adds when the typed text went to the clipboard.
    static QString rescuedSentence();

private:
    void rescue(const QString& typed);

    WindowServices& m_services;
    Reopen m_reopen;
    std::vector<catalogue::Error> m_errors; ///< raised, not yet told
    struct Refused {
        QPersistentModelIndex cell;
        QString typed;
    };
    std::optional<Refused> m_refused; ///< reopened once its error has been told
    QString m_rescued;                ///< on the clipboard since the last errors were told
};
