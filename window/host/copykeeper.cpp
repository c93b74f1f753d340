// The window's side of the safety copies. The day's copy runs on a thread of its
// own (BackgroundBackup); the window's thread looks every 20 ms whether it has
// ended, so nothing it does blocks the window. A write of the program that comes
// while the copy runs waits at the gate with the event loop turning, user input
// held back until the copy is done, so the window keeps painting and nothing the
// user does can run in the middle of the write.
#include "copykeeper.h"

#include "backgroundbackup.h"
#include "backupgate.h"
#include "connection.h"
#include "error.h"
#include "bookqueries.h"
#include "windowservices.h"

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLocale>
#include <QProgressDialog>

#include <sys/stat.h>

using catalogue::BackupGate;
using catalogue::Error;
using catalogue::ErrorNumber;
using catalogue::SafetyCopies;

namespace {

constexpr int pollMs = 20;

std::string catalogueIn(const WindowServices& services)
{
    return QFile::encodeName(QDir(services.programFolder()).filePath(QStringLiteral("dorvi.mdb"))).toStdString();
}

bool isRegularFile(const std::string& path)
{
    struct stat info{};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// The error a listing would raise on a damaged catalogue, exactly as it would be
// shown; nothing for a sound catalogue, and nothing for any other fault (missing,
// locked, an old Access file), which the commands report as always.
std::optional<Error> damageOf(const std::string& path)
{
    if (!isRegularFile(path))
        return std::nullopt;
    try {
        catalogue::bookCount(catalogue::Connection::opened(path).handle());
    } catch (const Error& error) {
        if (error.number() == ErrorNumber::Corrupt || error.number() == ErrorNumber::NotADatabase)
            return error;
    }
    return std::nullopt;
}

// Holds a write until the copy is done: the event loop turns, without the user's
// input, and a note says why once the wait is noticeable.
void waitPainting(const std::function<bool()>& finished)
{
    if (finished())
        return;
    QProgressDialog note(QStringLiteral("Copia di sicurezza del catalogo in corso: la modifica sarà scritta "
                                        "appena è finita."),
                         QString(), 0, 0, QApplication::activeWindow());
    note.setWindowTitle(QStringLiteral("Gestione Dorvi"));
    note.setCancelButton(nullptr);
    note.setMinimumDuration(300);
    note.setValue(0);
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (finished())
            loop.quit();
    });
    poll.start(5);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

} // namespace

QString copyTimeText(const catalogue::CopyStamp& stamp)
{
    const QDate day(int(stamp.day.year()), int(unsigned(stamp.day.month())), int(unsigned(stamp.day.day())));
    return QStringLiteral("%1 alle %2:%3:%4")
        .arg(day.toString(QStringLiteral("dd/MM/yyyy")))
        .arg(stamp.hour, 2, 10, QLatin1Char('0'))
        .arg(stamp.minute, 2, 10, QLatin1Char('0'))
        .arg(stamp.second, 2, 10, QLatin1Char('0'));
}

QString booksText(std::optional<long long> books)
{
    if (!books)
        return QStringLiteral("un numero sconosciuto di libri");
    const QString number = QLocale(QLocale::Italian, QLocale::Italy).toString(*books);
    return *books == 1 ? QStringLiteral("1 libro") : QStringLiteral("%1 libri").arg(number);
}

CopyKeeper::CopyKeeper(WindowServices& services, SafetyCopies::Clock clock)
    : m_services(services), m_clock(std::move(clock))
{
    BackupGate::setWaiter(waitPainting);
    connect(&m_poll, &QTimer::timeout, this, &CopyKeeper::checkRunningCopy);
}

CopyKeeper::~CopyKeeper()
{
    m_running.reset();
    BackupGate::setWaiter({});
}

SafetyCopies CopyKeeper::copies() const
{
    return SafetyCopies(catalogueIn(m_services), m_clock);
}

void CopyKeeper::atStart()
{
    const SafetyCopies copies = this->copies();
    // Never while a copy of this run is being made: its file is ours to finish.
    if (!copying())
        copies.removeStalePartials();
    if (auto damage = damageOf(copies.cataloguePath())) {
        m_services.showError(*damage);
        if (!offerRestore(copies))
            return;
    }
    startDailyCopy();
}

bool CopyKeeper::offerRestore(const SafetyCopies& copies)
{
    const auto all = copies.list();
    for (const catalogue::SafetyCopy& copy : all) {
        if (!catalogue::passesQuickCheck(copy.path))
            continue;
        const QString text =
            QStringLiteral("Nella cartella «%1» c'è una copia di sicurezza integra del catalogo, del %2, con %3.\n\n"
                           "Ripristinarla? Il catalogo danneggiato sarà conservato accanto, come "
                           "«dorvi.mdb.danneggiato».")
                .arg(QString::fromStdString(copies.folder()), copyTimeText(copy.made),
                     booksText(catalogue::countBooks(copy.path)));
        if (!m_services.confirm(text, QStringLiteral("Catalogo danneggiato")))
            return false;
        try {
            const std::string kept = copies.replaceDamaged(copy);
            m_services.information(QStringLiteral("Il catalogo è stato ripristinato dalla copia del %1. Il file "
                                                  "danneggiato è conservato in «%2».")
                                       .arg(copyTimeText(copy.made), QString::fromStdString(kept)),
                                   QStringLiteral("Catalogo ripristinato"));
            return true;
        } catch (const Error& error) {
            m_services.showError(error);
            return false;
        }
    }
    if (!all.empty()) {
        m_services.information(QStringLiteral("Nessuna delle copie di sicurezza nella cartella «%1» è integra: "
                                              "non c'è una copia da ripristinare.")
                                   .arg(QString::fromStdString(copies.folder())),
                               QStringLiteral("Catalogo danneggiato"));
    }
    return false;
}

void CopyKeeper::startDailyCopy()
{
    const SafetyCopies copies = this->copies();
    if (m_running || !isRegularFile(copies.cataloguePath()) || copies.madeToday())
        return;
    m_running = std::make_unique<catalogue::BackgroundBackup>(
        copies.cataloguePath(), [copies](const std::function<bool()>& stopRequested) {
            catalogue::CopyControl control;
            control.afterStep = [&stopRequested](int, int) { return !stopRequested(); };
            copies.make(control);
        });
    m_poll.start(pollMs);
}

void CopyKeeper::checkRunningCopy()
{
    if (!m_running || !m_running->finished())
        return;
    m_poll.stop();
    m_running->wait();
    const std::optional<Error> failure = m_running->failure();
    m_running.reset();
    if (failure)
        tellFailure(*failure);
}

void CopyKeeper::waitForCopy()
{
    if (!m_running)
        return;
    waitPainting([this] { return m_running->finished(); });
    checkRunningCopy();
}

std::optional<Error> CopyKeeper::tryCopy(const catalogue::CopyReason& reason)
{
    waitForCopy();
    try {
        copies().make(reason);
        return std::nullopt;
    } catch (const Error& error) {
        return error;
    }
}

bool CopyKeeper::copyBeforeChange(const catalogue::CopyReason& reason)
{
    const std::optional<Error> failure = tryCopy(reason);
    if (failure)
        tellFailure(*failure);
    return !failure;
}

bool CopyKeeper::copyOrAsk(const catalogue::CopyReason& reason, const QString& question)
{
    const std::optional<Error> failure = tryCopy(reason);
    return !failure ||
           m_services.confirm(question + QStringLiteral("\n\n") + QString::fromStdString(failure->description()),
                              QStringLiteral("Copie di sicurezza"));
}

void CopyKeeper::tellFailure(const Error& error)
{
    if (m_told)
        return;
    m_told = true;
    m_services.information(QString::fromStdString(error.description()) +
                               QStringLiteral("\n\nIl lavoro continua normalmente: ogni modifica è scritta nel "
                                              "catalogo, ma finché la causa resta non si fanno copie di sicurezza. "
                                              "Questo avviso compare una volta sola."),
                           QStringLiteral("Copie di sicurezza"));
}
