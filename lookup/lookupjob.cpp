// The state of one ISBN's lookup, service by service.
#include "lookupjob.h"

namespace lookup {

void LookupJob::take(const ServiceFinding& finding, const QString& service)
{
    if (!finding.known)
        return;
    // The editions are those of the service that gives the book its fields.
    const bool first = record.service.isEmpty();
    record.fillMissing(finding.fields, service);
    if (first && record.service == service)
        record.otherEditions = finding.otherEditions;
    for (const QUrl& link : finding.coverLinks) {
        QList<QUrl>& list = service == QLatin1String("Open Library") ? openLibraryCovers : otherCovers;
        if (!list.contains(link))
            list.append(link);
    }
}

bool LookupJob::complete() const
{
    for (const char* field : {"autore", "titolo", "editore", "anno", "pagine", "lingua"})
        if (!record.has(QLatin1String(field)))
            return false;
    return !openLibraryCovers.isEmpty() || !otherCovers.isEmpty();
}

} // namespace lookup
