// Asking Open Library: the Books API in batches, the edition record and the
// authors' records only for what the batch reply lacks.
#include "openlibrarysource.h"

#include "fieldtext.h"
#include "lookupsettings.h"
#include "openlibraryreader.h"
#include "politeclient.h"

#include <QTimer>
#include <QUrlQuery>

namespace lookup {

namespace {

const QString service = QStringLiteral("Open Library");
const QString unreadable = QStringLiteral("la risposta non è quella attesa");

bool needsEdition(const LookupJob& job)
{
    return !job.record.has(QStringLiteral("autore")) || !job.record.has(QStringLiteral("lingua")) ||
           !job.record.has(QStringLiteral("collana")) || job.openLibraryCovers.isEmpty() || !job.complete();
}

} // namespace

OpenLibrarySource::OpenLibrarySource(PoliteClient& client, QUrl base, QUrl covers, QObject* parent)
    : QObject(parent), client_(client), base_(std::move(base)), covers_(std::move(covers))
{
}

void OpenLibrarySource::ask(const Job& job, Then then)
{
    waiting_.push_back(Waiting{job, std::move(then)});
    // The ISBNs that arrive within one turn of the event loop share a request.
    if (!batchArmed_) {
        batchArmed_ = true;
        QTimer::singleShot(0, this, [this] { sendBatch(); });
    }
}

void OpenLibrarySource::sendBatch()
{
    batchArmed_ = false;
    while (!waiting_.empty()) {
        const std::size_t count = std::min<std::size_t>(batchSize, waiting_.size());
        std::vector<Waiting> batch(std::make_move_iterator(waiting_.begin()),
                                   std::make_move_iterator(waiting_.begin() + static_cast<std::ptrdiff_t>(count)));
        waiting_.erase(waiting_.begin(), waiting_.begin() + static_cast<std::ptrdiff_t>(count));
        QStringList isbns;
        QStringList keys;
        for (const Waiting& w : batch) {
            isbns.append(w.job->isbn13);
            keys.append(QStringLiteral("ISBN:") + w.job->isbn13);
        }
        QUrl url = LookupSettings::under(base_, QStringLiteral("/api/books"));
        QUrlQuery query;
        query.addQueryItem(QStringLiteral("bibkeys"), keys.join(QLatin1Char(',')));
        query.addQueryItem(QStringLiteral("format"), QStringLiteral("json"));
        query.addQueryItem(QStringLiteral("jscmd"), QStringLiteral("data"));
        url.setQuery(query);
        client_.get(service, url, [this, batch, isbns](const HttpResult& result) {
            const auto findings = result.ok() ? OpenLibraryReader::books(result.body, isbns, covers_)
                                              : QMap<QString, ServiceFinding>{};
            for (const Waiting& w : batch) {
                const ServiceFinding finding = findings.value(w.job->isbn13);
                if (!result.ok() && !result.notFound())
                    w.job->noteProblem(service, result.problem);
                else if (result.ok() && !finding.readable)
                    w.job->noteProblem(service, unreadable);
                w.job->take(finding, service);
                // A service that did not answer is not asked again for each ISBN.
                const bool down = !result.ok() && !result.notFound();
                if (!down && needsEdition(*w.job))
                    askEdition(w);
                else
                    w.then(w.job);
            }
        });
    }
}

void OpenLibrarySource::askEdition(const Waiting& waiting)
{
    const QUrl url = LookupSettings::under(base_, QStringLiteral("/isbn/%1.json").arg(waiting.job->isbn13));
    client_.get(service, url, [this, waiting](const HttpResult& result) {
        if (!result.ok()) {
            if (!result.notFound())
                waiting.job->noteProblem(service, result.problem);
            waiting.then(waiting.job);
            return;
        }
        const ServiceFinding finding = OpenLibraryReader::edition(result.body, waiting.job->isbn13, covers_);
        if (!finding.readable)
            waiting.job->noteProblem(service, unreadable);
        const bool wantsAuthors = finding.known && !waiting.job->record.has(QStringLiteral("autore"));
        waiting.job->take(finding, service);
        if (wantsAuthors && !finding.authorKeys.isEmpty())
            askAuthors(waiting, finding.authorKeys.mid(0, 5), {});
        else
            waiting.then(waiting.job);
    });
}

void OpenLibrarySource::askAuthors(const Waiting& waiting, QStringList keys, QStringList names)
{
    if (keys.isEmpty()) {
        waiting.job->record.fillMissing({{QStringLiteral("autore"), fieldtext::authors(names)}}, service);
        waiting.then(waiting.job);
        return;
    }
    const QString key = keys.takeFirst();
    const QUrl url = LookupSettings::under(base_, key + QStringLiteral(".json"));
    client_.get(service, url, [this, waiting, keys, names](const HttpResult& result) mutable {
        if (result.ok())
            names.append(OpenLibraryReader::authorName(result.body));
        askAuthors(waiting, keys, names);
    });
}

} // namespace lookup
