// The lookup of books by ISBN: each ISBN goes through the services in its order,
// then its cover is asked for. Lives as long as the window or the import that
// owns it; destroying it drops the lookups under way without answering them.
#include "isbnlookup.h"

#include "coverimage.h"
#include "fieldtext.h"
#include "googlebooksreader.h"
#include "isbn.h"
#include "lookupjob.h"
#include "openlibrarysource.h"
#include "politeclient.h"
#include "sbnreader.h"

#include <QTimer>
#include <QUrlQuery>

namespace lookup {

namespace {

const QString sbnName = QStringLiteral("SBN");
const QString googleName = QStringLiteral("Google Books");
const QString unreadable = QStringLiteral("la risposta non è quella attesa");
// A book whose covers all fail is not worth more requests than this.
constexpr int maxCoverTries = 4;

bool isItalian(const QString& isbn13)
{
    return isbn13.startsWith(QLatin1String("97888")) || isbn13.startsWith(QLatin1String("97912"));
}

QUrl withQuery(QUrl url, const QString& name, const QString& value)
{
    QUrlQuery query;
    query.addQueryItem(name, value);
    url.setQuery(query);
    return url;
}

} // namespace

IsbnLookup::IsbnLookup(const LookupSettings& settings, QObject* parent)
    : QObject(parent), settings_(settings), client_(std::make_unique<PoliteClient>()),
      openLibrary_(std::make_unique<OpenLibrarySource>(*client_, settings.openLibrary, settings.covers))
{
    client_->setRedirectRule([settings](const QUrl& target) { return settings.mayFollow(target); });
}

IsbnLookup::~IsbnLookup() = default;

void IsbnLookup::lookUp(const QStringList& isbns)
{
    using Service = LookupJob::Service;
    for (const QString& typed : isbns) {
        ++pending_;
        if (!settings_.enabled) {
            refuse(typed, QStringLiteral("La ricerca per ISBN è spenta nelle impostazioni."));
            continue;
        }
        const catalogue::IsbnReading reading = catalogue::readIsbn(typed.toStdString());
        if (!reading.valid()) {
            const std::string problem = reading.status == catalogue::IsbnReading::Status::WrongCheckDigit
                ? catalogue::isbnProblem(reading)
                : std::string("non è un ISBN");
            refuse(typed, QStringLiteral("%1: %2").arg(typed.trimmed(), QString::fromStdString(problem)));
            continue;
        }
        auto job = std::make_shared<LookupJob>();
        job->isbn13 = QString::fromStdString(reading.isbn13);
        job->order = isItalian(job->isbn13) ? QList<Service>{Service::Sbn, Service::OpenLibrary, Service::GoogleBooks}
                                            : QList<Service>{Service::OpenLibrary, Service::GoogleBooks, Service::Sbn};
        advance(job);
    }
}

void IsbnLookup::refuse(const QString& typed, const QString& message)
{
    // Answered on a later turn of the event loop, like every other answer, so
    // that a caller connecting after lookUp still hears it.
    QTimer::singleShot(0, this, [this, typed, message] {
        emit failed(typed, message);
        answered();
    });
}

void IsbnLookup::advance(const Job& job)
{
    if (job->next >= job->order.size() || (job->next > 0 && job->complete())) {
        QList<QUrl> links = job->openLibraryCovers;
        links.append(LookupSettings::under(settings_.covers, QStringLiteral("/b/isbn/%1-M.jpg").arg(job->isbn13)));
        links.last().setQuery(QStringLiteral("default=false"));
        // The cover by ISBN is worth asking only for a book some service knows.
        if (job->record.service.isEmpty())
            links.clear();
        for (const QUrl& link : job->otherCovers)
            if (settings_.mayFollow(link))
                links.append(link);
        askCover(job, links.mid(0, maxCoverTries));
        return;
    }
    switch (job->order.at(job->next++)) {
    case LookupJob::Service::Sbn:
        askSbn(job);
        break;
    case LookupJob::Service::OpenLibrary:
        openLibrary_->ask(job, [this](const Job& j) { advance(j); });
        break;
    case LookupJob::Service::GoogleBooks:
        askGoogleBooks(job);
        break;
    }
}

void IsbnLookup::askSbn(const Job& job)
{
    const QUrl url = withQuery(LookupSettings::under(settings_.sbn, QStringLiteral("/search.json")),
                               QStringLiteral("isbn"), job->isbn13);
    client_->get(sbnName, url, [this, job](const HttpResult& result) {
        if (!result.ok()) {
            if (!result.notFound())
                job->noteProblem(sbnName, result.problem);
            advance(job);
            return;
        }
        const ServiceFinding finding = SbnReader::brief(result.body, job->isbn13);
        if (!finding.readable)
            job->noteProblem(sbnName, unreadable);
        job->take(finding, sbnName);
        if (finding.known && !finding.recordId.isEmpty())
            askSbnFull(job, finding.recordId);
        else
            advance(job);
    });
}

void IsbnLookup::askSbnFull(const Job& job, const QString& recordId)
{
    const QUrl url = withQuery(LookupSettings::under(settings_.sbn, QStringLiteral("/full.json")),
                               QStringLiteral("bid"), recordId);
    client_->get(sbnName, url, [this, job](const HttpResult& result) {
        if (result.ok())
            job->take(SbnReader::full(result.body), sbnName);
        advance(job);
    });
}

void IsbnLookup::askGoogleBooks(const Job& job)
{
    const QUrl url = withQuery(LookupSettings::under(settings_.googleBooks, QStringLiteral("/volumes")),
                               QStringLiteral("q"), QStringLiteral("isbn:") + job->isbn13);
    client_->get(googleName, url, [this, job](const HttpResult& result) {
        if (!result.ok()) {
            if (!result.notFound())
                job->noteProblem(googleName, result.problem);
        } else {
            const ServiceFinding finding = GoogleBooksReader::volumes(result.body, job->isbn13);
            if (!finding.readable)
                job->noteProblem(googleName, unreadable);
            job->take(finding, googleName);
        }
        advance(job);
    });
}

void IsbnLookup::askCover(const Job& job, QList<QUrl> links)
{
    if (links.isEmpty()) {
        finish(job);
        return;
    }
    const QUrl link = links.takeFirst();
    // The covers service keeps its own pace; any other host is paced apart.
    const QString paceKey = link.host() == settings_.covers.host() && link.port() == settings_.covers.port()
        ? QStringLiteral("copertine")
        : QStringLiteral("copertine ") + link.host();
    client_->get(paceKey, link, [this, job, links](const HttpResult& result) {
        const CoverImage cover = result.ok() ? CoverImage::fromReceived(result.body) : CoverImage{};
        if (cover.isNull()) {
            askCover(job, links);
            return;
        }
        job->record.cover = cover.bytes;
        job->record.coverType = cover.type;
        finish(job);
    });
}

void IsbnLookup::finish(const Job& job)
{
    if (!job->record.service.isEmpty()) {
        job->record.fields.insert(QStringLiteral("isbn"), job->isbn13);
        emit found(job->record);
    } else if (!job->problems.isEmpty()) {
        emit failed(job->isbn13, QStringLiteral("Ricerca di %1 non riuscita: %2.").arg(job->isbn13, job->problems.join(QStringLiteral("; "))));
    } else {
        emit notFound(job->isbn13);
    }
    answered();
}

void IsbnLookup::answered()
{
    if (--pending_ == 0)
        emit idle();
}

} // namespace lookup
