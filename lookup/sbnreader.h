#pragma once

#include "servicefinding.h"

#include <QByteArray>
#include <QJsonObject>

namespace lookup {

// Reads the replies of the Italian national catalogue (SBN): the brief records of
// `search.json?isbn=` and the full record of `full.json?bid=`. The interface is not
// documented, so every member is read as optional and of any type.
class SbnReader {
public:
    static constexpr int maxEditions = 9;
    // The brief record that holds `isbn13` (not simply the first: a search may
    // answer another edition first); unknown when none holds it. Further records
    // holding it are its other editions, at most maxEditions of them.
    static ServiceFinding brief(const QByteArray& json, const QString& isbn13);
    // The physical description, series and language of a full record.
    static ServiceFinding full(const QByteArray& json);
    // "Milano : Mondadori, 2020" → {"Mondadori", "2020"}.
    static std::pair<QString, QString> publication(const QString& text);

private:
    static QMap<QString, QString> briefFields(const QJsonObject& record, const QString& isbn13);
};

} // namespace lookup
