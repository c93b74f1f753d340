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

BookRecord BookRecord::edition(int index) const
{
    if (index <= 0 || index > otherEditions.size())
        return *this;
    BookRecord chosen = *this;
    chosen.otherEditions.clear();
    chosen.fields.clear();
    for (auto it = otherEditions.at(index - 1).cbegin(); it != otherEditions.at(index - 1).cend(); ++it)
        if (!it.value().trimmed().isEmpty())
            chosen.fields.insert(it.key(), it.value().trimmed());
    for (auto it = fields.cbegin(); it != fields.cend(); ++it)
        if (!chosen.has(it.key()))
            chosen.fields.insert(it.key(), it.value());
    return chosen;
}

} // namespace lookup
