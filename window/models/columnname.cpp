// Column names compared by the catalogue's one rule, for the window's Qt strings.
#include "columnname.h"

#include "fieldnames.h"

#include <algorithm>

bool sameColumnName(const QString& a, const QString& b)
{
    const QByteArray first = a.toUtf8();
    const QByteArray second = b.toUtf8();
    return catalogue::sameColumnName(std::string_view(first.constData(), static_cast<std::size_t>(first.size())),
                                     std::string_view(second.constData(), static_cast<std::size_t>(second.size())));
}

bool containsColumnName(const QStringList& names, const QString& name)
{
    return std::any_of(names.begin(), names.end(), [&](const QString& other) { return sameColumnName(other, name); });
}

QString columnNameKey(const QString& name)
{
    QString key = name;
    for (QChar& c : key) {
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + ('a' - 'A'));
    }
    return key;
}
