#pragma once

#include "safetycopies.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>
#include <optional>

class WindowServices;

namespace catalogue {
class BackgroundBackup;
class Error;
}

// The safety copies as the window meets them: the check of the catalogue at start,
// the day's copy in the background, the copy made before a change of the file's
// structure or an import, and the one message per run when no copy can be made.
// While it lives, a write of the program that finds a copy running waits for it
// with the window still painting and a note on show.
class CopyKeeper : public QObject {
public:
    explicit CopyKeeper(WindowServices& services, catalogue::SafetyCopies::Clock clock = {});
    ~CopyKeeper() override;

    // The copies of the catalogue the window reads (its folder is read anew each time).
    catalogue::SafetyCopies copies() const;

    // At start: a damaged catalogue is reported as a command would report it and, if
    // a copy passes the check, its restore is offered; then the day's copy begins,
    // unless the catalogue is still damaged or missing.
    void atStart();
    // Begins the day's copy in the background when the folder holds none of today.
    void startDailyCopy();
    bool copying() const { return m_running != nullptr; }
    // Returns once the copy in the background has ended, the window painting meanwhile.
    void waitForCopy();
    // A copy made now, whatever the time of the last one, named by `reason`: for a
    // change of the file's structure or an import. A failure is told (once per
    // run) and the work goes on. Returns whether the copy was made.
    bool copyBeforeChange(const catalogue::CopyReason& reason = catalogue::beforeChange());
    // As copyBeforeChange, for a change the user may rather not make without a
    // copy: when none can be made, `question` is asked with the reason why, every
    // time. Returns whether to go on (the copy made, or the user's Sì).
    bool copyOrAsk(const catalogue::CopyReason& reason, const QString& question);
    // Tells the user, once per run, why copies cannot be made and what to do.
    void tellFailure(const catalogue::Error& error);

private:
    void checkRunningCopy();
    std::optional<catalogue::Error> tryCopy(const catalogue::CopyReason& reason);
    bool offerRestore(const catalogue::SafetyCopies& copies);

    WindowServices& m_services;
    catalogue::SafetyCopies::Clock m_clock;
    std::unique_ptr<catalogue::BackgroundBackup> m_running;
    QTimer m_poll;
    bool m_told = false;
};

// How a date and time of a copy reads in the program: "08/12/2026 alle 10:30:15".
QString copyTimeText(const catalogue::CopyStamp& stamp);
// "1 libro", "1.234 libri"; "un numero sconosciuto di libri" when unreadable.
QString booksText(std::optional<long long> books);
