// A continuous scan of 500 ISBNs in Aggiungi da ISBN…, against a server on
// loopback that answers at once (in a thread of its own, so its work is not the
// window's): the window thread's longest pause while the ISBNs are queued, looked
// up, written with their covers and listed, against the 50 ms a user does not
// notice; and our own time per ISBN (the CPU of the window thread and of the
// scan's writing thread, the server's left out: parsing, writing, the cover, the
// list) against 5 ms.
#include "catalogues.h"
#include "fixture.h"
#include "history.h"
#include "isbndialog.h"
#include "isbnlookup.h"
#include "isbnscan.h"
#include "loopbackserver.h"
#include "politeclient.h"
#include "registry.h"

#include <QBuffer>
#include <QCheckBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QUrlQuery>

#include <atomic>
#include <ctime>
#include <future>
#include <stdexcept>

namespace bench {

namespace {

constexpr int scanned = IsbnScan::maxIsbns;

QString isbnOf(int n)
{
    const QString digits = QStringLiteral("97888%1").arg(n, 7, 10, QLatin1Char('0'));
    int sum = 0;
    for (int i = 0; i < 12; ++i)
        sum += digits.at(i).digitValue() * (i % 2 ? 3 : 1);
    return digits + QString::number((10 - sum % 10) % 10);
}

QByteArray coverBytes()
{
    QImage image(300, 450, QImage::Format_RGB32);
    image.fill(Qt::darkRed);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG");
    return bytes;
}

// SBN knows every ISBN, the others nothing; each has a cover.
ScriptedReply answer(const QUrl& target, const QByteArray& cover)
{
    const QString path = target.path();
    if (path == QLatin1String("/sbn/search.json")) {
        const QString isbn = QUrlQuery(target).queryItemValue(QStringLiteral("isbn"));
        return ScriptedReply::json(QStringLiteral(R"({"briefRecords": [{"codiceIdentificativo": "B%1",
            "titolo": "Libro %1 / Autore", "autorePrincipale": "Rossi, Mario", "pubblicazione": "Milano : Mondadori, 2020",
            "isbn": "%1"}]})").arg(isbn).toUtf8());
    }
    if (path == QLatin1String("/ol/api/books"))
        return ScriptedReply::json("{}");
    if (path == QLatin1String("/gb/volumes"))
        return ScriptedReply::json(R"({"totalItems": 0})");
    if (path.startsWith(QLatin1String("/covers/b/isbn/")))
        return ScriptedReply{200, cover, {{"Content-Type", "image/jpeg"}}};
    return ScriptedReply::withStatus(404);
}

double cpuSeconds(clockid_t clock);

// The server lives and answers in a thread of its own, noting its own CPU time
// so that it can be told apart from ours.
class ServerThread : public QThread {
public:
    ServerThread()
    {
        start();
        url = ready.get_future().get();
    }
    ~ServerThread() override
    {
        quit();
        wait();
    }
    QUrl url;
    std::atomic<double> cpu{0}; ///< the server thread's CPU seconds at its last answer

protected:
    void run() override
    {
        const QByteArray cover = coverBytes();
        LoopbackServer server([this, &cover](const QUrl& target) {
            ScriptedReply reply = answer(target, cover);
            cpu = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
            return reply;
        });
        ready.set_value(server.url());
        exec();
    }

private:
    std::promise<QUrl> ready;
};

QUrl serviceUrl(const QUrl& base, const char* path)
{
    QUrl url = base;
    url.setPath(QLatin1String(path));
    return url;
}

double cpuSeconds(clockid_t clock)
{
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

double threadCpuSeconds()
{
    return cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
}

double processCpuSeconds()
{
    return cpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
}

// Every ISBN answered and each book written: none of the list is still waiting.
bool settled(IsbnDialog& dialog)
{
    const auto* scan = dialog.findChild<IsbnScan*>();
    return dialog.lookup().pending() == 0 && scan->count(IsbnScan::State::Waiting) == 0 &&
           static_cast<int>(scan->entries().size()) == scanned;
}

void pressEnter(QLineEdit& field, const QString& text)
{
    field.setText(text);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(&field, &press);
}

void isbnScan(benchmark::State& state)
{
    const int rows = static_cast<int>(state.range(0));
    ServerThread server;
    lookup::LookupSettings settings;
    settings.sbn = serviceUrl(server.url, "/sbn");
    settings.openLibrary = serviceUrl(server.url, "/ol");
    settings.googleBooks = serviceUrl(server.url, "/gb");
    settings.covers = serviceUrl(server.url, "/covers");
    settings.redirected = true;
    double longest = 0;
    double cpuPerIsbn = 0;
    double ownPerIsbn = 0;
    double busiest = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/dorvi.mdb");
        if (!QFile::copy(QString::fromStdString(catalogue(rows).path), path))
            throw std::runtime_error("cannot copy the catalogue");
        BenchServices services(dir.path().toStdString());
        IsbnDialog dialog(services, path, std::make_shared<catalogue::History>(), settings);
        lookup::PoliteClient::Limits limits;
        limits.spacingMs = 0;
        dialog.lookup().client().setLimits(limits);
        dialog.show();
        dialog.findChild<QCheckBox*>(QStringLiteral("scansionecontinua"))->setChecked(true);
        auto* field = dialog.findChild<QLineEdit*>(QStringLiteral("isbn"));
        QCoreApplication::processEvents();
        state.ResumeTiming();

        // The window thread's pauses: the longest gap between two ticks of a
        // timer that asks to run every millisecond.
        QElapsedTimer clock;
        clock.start();
        qint64 lastTick = 0;
        qint64 longestGap = 0;
        // The same gaps counted in the window thread's own CPU time: on a machine
        // shared with other work a gap may be the scheduler's, not ours.
        double lastCpu = threadCpuSeconds();
        double longestBusy = 0;
        QTimer ticks;
        ticks.setTimerType(Qt::PreciseTimer);
        QObject::connect(&ticks, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            longestGap = std::max(longestGap, now - lastTick);
            lastTick = now;
            const double cpu = threadCpuSeconds();
            longestBusy = std::max(longestBusy, cpu - lastCpu);
            lastCpu = cpu;
        });
        ticks.start(1);
        const double cpuBefore = threadCpuSeconds();
        const double processBefore = processCpuSeconds() - server.cpu;
        for (int n = 0; n < scanned; ++n) {
            pressEnter(*field, isbnOf(n));
            QCoreApplication::processEvents(); // a scanner's next code comes a few ms later
        }
        QEventLoop waiting;
        QTimer check;
        QObject::connect(&check, &QTimer::timeout, [&] {
            if (settled(dialog))
                waiting.quit();
        });
        check.start(20);
        waiting.exec();
        const qint64 now = clock.nsecsElapsed();
        longestGap = std::max(longestGap, now - lastTick);
        cpuPerIsbn = (threadCpuSeconds() - cpuBefore) / scanned;
        ownPerIsbn = (processCpuSeconds() - server.cpu - processBefore) / scanned;
        longest = static_cast<double>(longestGap) / 1e6;
        busiest = longestBusy * 1000;

        state.PauseTiming();
        dialog.reject();
        state.ResumeTiming();
    }
    state.counters["longest_pause_ms"] = longest;
    state.counters["longest_busy_ms"] = busiest;
    state.counters["window_ms_per_isbn"] = cpuPerIsbn * 1000;
    state.counters["own_ms_per_isbn"] = ownPerIsbn * 1000;
    state.counters["isbns"] = scanned;
}

} // namespace

void registerIsbnScan()
{
    benchmark::RegisterBenchmark("IsbnScan/500", isbnScan)
        ->Arg(smallRows)
        ->Arg(mediumRows)
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
}

} // namespace bench
