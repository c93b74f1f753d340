#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringList>
#include <utility>

// The services' ways of writing a value, turned into what the catalogue stores.
// Each function answers an empty text when the value says nothing usable.
namespace lookup::fieldtext {

// A title without the control characters U+0088/U+0089 that some catalogues put
// around a leading article to sort past it, and with its spaces tidied.
QString title(const QString& raw);
// "Cognome, Nome" turned round to "Nome Cognome"; a name without a comma as it is.
// A trailing "<1920-2001>" of life dates is dropped.
QString personName(const QString& raw);
// Several authors joined by ", ", blanks and repeats left out.
QString authors(const QStringList& names);
// The first four-digit year of a free date ("March 2009", "2019-10-03T00:00:00+02:00");
// nothing for "s.d." or "[19--]".
QString year(const QString& date);
// The count of pages of a physical description: 612 from "XXIII, 612 p. ; 21 cm".
QString pages(const QString& description);
// A positive count of pages from a JSON number or text; nothing for 0 or a wrong type.
QString pages(const QJsonValue& value);
// A series and its number: {"Oscar classici", "234"} from "Oscar classici ; 234".
std::pair<QString, QString> series(const QString& raw);
// A language as an Italian word (italiano, inglese…) from an ISO 639 code
// ("ita", "it", "/languages/eng") or from the word itself; nothing when unknown.
QString language(const QString& code);
// The 13 digits of an ISBN written in any of its forms; nothing when it is not
// a valid ISBN.
QString isbn13(const QString& typed);
// Every valid ISBN found in a text that may hold several ("88-04-1, 978...").
QStringList isbnsIn(const QString& text);

// Defensive readers of a JSON value: a wrong type reads as nothing.
QString text(const QJsonValue& value);
// A reply's JSON object; `readable` false when the reply is no JSON object at all
// (an HTML page, a reply cut short), and then the object is empty.
QJsonObject objectOf(const QByteArray& json, bool& readable);
// The texts of an array (or of a single text), or of one member of its objects.
QStringList texts(const QJsonValue& array, const QString& member = {});

} // namespace lookup::fieldtext
