// The fields of a book found by ISBN, filled service by service.
#include "bookrecord.h"

namespace lookup {

void BookRecord::fillMissing(const QMap<QString, QString>& other, const QString& from)
{
    bool gave = false;
    for (auto it = other.cbegin(); it != other.cend(); ++it) {
        const QString value = it.value().trimmed();
        if (value.isEmpty())
            continue;
        gave = true;
        if (!has(it.key()))
            fields.insert(it.key(), value);
    }
    if (gave && service.isEmpty())
        service = from;
}

} // namespace lookup
