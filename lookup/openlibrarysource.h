#pragma once

#include "lookupjob.h"

#include <QObject>
#include <QUrl>

#include <functional>
#include <memory>
#include <vector>

namespace lookup {

class PoliteClient;

// Open Library for the lookups: ISBNs that reach it together are asked in one
// Books API request (up to 25); for what that lacks, each ISBN's edition record,
// and the names of authors the record gives only as keys.
class OpenLibrarySource : public QObject {
public:
    using Job = std::shared_ptr<LookupJob>;
    using Then = std::function<void(const Job&)>;
    static constexpr int batchSize = 25;

    OpenLibrarySource(PoliteClient& client, QUrl base, QUrl covers, QObject* parent = nullptr);
    // Asks about the job's ISBN; `then` is called once Open Library has said all it knows.
    void ask(const Job& job, Then then);

private:
    struct Waiting {
        Job job;
        Then then;
    };
    void sendBatch();
    void askEdition(const Waiting& waiting);
    void askAuthors(const Waiting& waiting, QStringList keys, QStringList names);

    PoliteClient& client_;
    QUrl base_;
    QUrl covers_;
    std::vector<Waiting> waiting_;
    bool batchArmed_ = false;
};

} // namespace lookup
