#pragma once

#include "bookrecord.h"
#include "lookupsettings.h"

#include <QObject>
#include <QStringList>

#include <memory>

namespace lookup {

struct LookupJob;
class OpenLibrarySource;
class PoliteClient;

// Looks books up by ISBN in the bibliographic services, in the background: SBN
// first for the Italian groups (978-88, 979-12) and last for the others, then Open
// Library and Google Books; the first service that knows the ISBN gives each
// field, the next ones only fill the fields still empty; then the cover. Every
// ISBN asked ends in exactly one of found, notFound or failed.
class IsbnLookup : public QObject {
    Q_OBJECT
public:
    explicit IsbnLookup(const LookupSettings& settings, QObject* parent = nullptr);
    ~IsbnLookup() override;

    // Queues the ISBNs (any of their written forms) and returns at once.
    void lookUp(const QStringList& isbns);
    // The ISBNs asked for and not yet answered.
    int pending() const { return pending_; }
    PoliteClient& client() { return *client_; }

signals:
    void found(const lookup::BookRecord& book);
    void notFound(const QString& isbn13);
    // An ISBN that could not be looked up: `typed` as given, the message in Italian
    // naming the service and the cause (or the ISBN's fault, or lookups turned off).
    void failed(const QString& typed, const QString& message);
    // Every ISBN asked has been answered.
    void idle();

private:
    using Job = std::shared_ptr<LookupJob>;
    void refuse(const QString& typed, const QString& message);
    void advance(const Job& job);
    void askSbn(const Job& job);
    void askSbnFull(const Job& job, const QString& recordId);
    void askGoogleBooks(const Job& job);
    void askCover(const Job& job, QList<QUrl> links);
    void finish(const Job& job);
    void answered();

    LookupSettings settings_;
    std::unique_ptr<PoliteClient> client_;
    std::unique_ptr<OpenLibrarySource> openLibrary_;
    int pending_ = 0;
};

} // namespace lookup
