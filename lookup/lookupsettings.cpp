// The services' addresses and the switch that turns every lookup off.
#include "lookupsettings.h"

#include <QSettings>
#include <QtGlobal>

namespace lookup {

namespace {

void applySetting(const QSettings& settings, const QString& key, QUrl& url, bool& changed)
{
    const QString value = settings.value(key).toString().trimmed();
    if (value.isEmpty())
        return;
    const QUrl read(value);
    if (read.isValid() && (read.scheme() == QLatin1String("http") || read.scheme() == QLatin1String("https"))) {
        changed = changed || read != url;
        url = read;
    }
}

void applyEnvironment(const char* name, QUrl& url, bool& changed)
{
    const QString value = qEnvironmentVariable(name).trimmed();
    if (value.isEmpty())
        return;
    const QUrl read(value);
    if (read.isValid() && !read.host().isEmpty()) {
        changed = changed || read != url;
        url = read;
    }
}

void applyEnvironment(LookupSettings& s)
{
    applyEnvironment("DORVI_SBN_URL", s.sbn, s.redirected);
    applyEnvironment("DORVI_OPENLIBRARY_URL", s.openLibrary, s.redirected);
    applyEnvironment("DORVI_GOOGLEBOOKS_URL", s.googleBooks, s.redirected);
    applyEnvironment("DORVI_COVERS_URL", s.covers, s.redirected);
}

} // namespace

LookupSettings LookupSettings::read(const QSettings& settings)
{
    LookupSettings s;
    s.enabled = settings.value(QStringLiteral("ricerca_isbn/attiva"), true).toBool();
    applySetting(settings, QStringLiteral("ricerca_isbn/sbn"), s.sbn, s.redirected);
    applySetting(settings, QStringLiteral("ricerca_isbn/openlibrary"), s.openLibrary, s.redirected);
    applySetting(settings, QStringLiteral("ricerca_isbn/googlebooks"), s.googleBooks, s.redirected);
    applySetting(settings, QStringLiteral("ricerca_isbn/copertine"), s.covers, s.redirected);
    applyEnvironment(s);
    return s;
}

LookupSettings LookupSettings::fromEnvironment()
{
    LookupSettings s;
    applyEnvironment(s);
    return s;
}

bool LookupSettings::mayFollow(const QUrl& link) const
{
    if (!link.isValid() || (link.scheme() != QLatin1String("http") && link.scheme() != QLatin1String("https")))
        return false;
    if (!redirected)
        return true;
    for (const QUrl* base : {&sbn, &openLibrary, &googleBooks, &covers})
        if (base->host().compare(link.host(), Qt::CaseInsensitive) == 0 && base->port() == link.port())
            return true;
    return false;
}

QUrl LookupSettings::under(const QUrl& base, const QString& path)
{
    QUrl url = base;
    QString basePath = url.path();
    while (basePath.endsWith(QLatin1Char('/')))
        basePath.chop(1);
    url.setPath(basePath + path);
    return url;
}

} // namespace lookup
