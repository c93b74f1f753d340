#pragma once

#include "bookrecord.h"
#include "servicefinding.h"

#include <QList>
#include <QStringList>
#include <QUrl>

namespace lookup {

// One ISBN on its way through the services: what is known so far, the covers
// that may be asked for, and what went wrong on the way.
struct LookupJob {
    enum class Service { Sbn, OpenLibrary, GoogleBooks };

    QString isbn13;
    QList<Service> order;
    int next = 0;                 ///< the index in `order` of the service to ask next
    BookRecord record;
    QList<QUrl> openLibraryCovers; ///< asked first
    QList<QUrl> otherCovers;      ///< the other services' links, asked after
    QStringList problems;         ///< "Servizio: causa", for a lookup that found nothing

    // Takes what a service found: the fields still missing and its covers.
    void take(const ServiceFinding& finding, const QString& service);
    // Whether the fields a book is usually described by and a cover are all known,
    // so that the remaining services need not be asked.
    bool complete() const;
    void noteProblem(const QString& service, const QString& cause) { problems.append(service + QStringLiteral(": ") + cause); }
};

} // namespace lookup
