// Tellico and GCstar collections read as sources, the XML in slices: the loans
// first, then the books one by one.
#include "tellicosource.h"

#include "htmltext.h"
#include "importfailure.h"

#include <algorithm>

namespace bookimport {

namespace {

using Token = QXmlStreamReader::TokenType;

const std::vector<std::string> bookColumns = {"titolo", "autore", "isbn", "editore", "anno", "collana", "numero",
                                              "lingua", "pagine", "letto", "voto", "genere", "note",
                                              "prestato_a", "prestato_il", "collocazione"};

std::size_t columnIndex(std::string_view column)
{
    return static_cast<std::size_t>(std::find(bookColumns.begin(), bookColumns.end(), column) - bookColumns.begin());
}

std::string joined(const std::vector<std::string>& parts)
{
    std::string all;
    for (const std::string& part : parts)
        all += (all.empty() ? "" : ", ") + part;
    return all;
}

const std::string cutReason = "tagliato a " + std::to_string(valueLimit >> 20) + " MiB: il testo nel file era più lungo";

void noteCutOnce(SourceBook& book, std::string_view column)
{
    const bool told = std::any_of(book.notes.begin(), book.notes.end(), [&](const SourceNote& note) {
        return note.column == column && note.reason == cutReason;
    });
    if (!told)
        book.notes.push_back({std::string(column), cutReason});
}

// An attribute holds the whole text the reader expanded: the value is kept up
// to valueLimit, as an element's text is.
void set(SourceBook& book, std::string_view column, const std::string& value)
{
    if (value.empty())
        return;
    std::string kept;
    if (!appendWithin(kept, value, valueLimit))
        noteCutOnce(book, column);
    book.values[columnIndex(column)] = std::move(kept);
}

// A value longer than the import keeps is stored cut, and the report says so.
void noteCut(SourceBook& book, const XmlFeed& feed, std::string_view column)
{
    if (feed.wasCut())
        noteCutOnce(book, column);
}

std::string attribute(const QXmlStreamReader& reader, const char* name)
{
    return reader.attributes().value(QLatin1String(name)).toString().toStdString();
}

// Tellico's element for each field of a book, and the column it fills.
struct TellicoField {
    const char* element;
    const char* column;
};
constexpr TellicoField tellicoFields[] = {
    {"title", "titolo"},       {"authors", "autore"},    {"isbn", "isbn"},        {"publisher", "editore"},
    {"pub_year", "anno"},      {"series", "collana"},    {"series_num", "numero"}, {"languages", "lingua"},
    {"language", "lingua"},    {"pages", "pagine"},      {"read", "letto"},       {"rating", "voto"},
    {"genres", "genere"},      {"genre", "genere"},      {"comments", "note"},    {"location", "collocazione"},
};

// Tellico numbers its kinds of collection; these three are books.
bool isBookCollection(const std::string& type)
{
    return type == "2" || type == "5" || type == "6";
}

std::string collectionName(const std::string& type)
{
    static const std::map<std::string, std::string> names = {
        {"1", "generica"}, {"3", "di film"}, {"4", "di musica"}, {"7", "di vini"}, {"8", "di monete"},
        {"9", "di francobolli"}, {"10", "di figurine"}, {"11", "di videogiochi"}, {"12", "di file"},
        {"13", "di giochi da tavolo"}};
    const auto found = names.find(type);
    return found == names.end() ? "non di libri" : found->second;
}

} // namespace

TellicoSource::TellicoSource(const std::string& path, bool zipped)
    : m_feed(path, zipped ? "tellico.xml" : ""), m_columns(bookColumns)
{
    readCollectionType();
    readLoans();
    m_feed.restart();
    readCollectionType();
}

void TellicoSource::readCollectionType()
{
    for (Token token; (token = m_feed.next()) != Token::EndDocument;) {
        if (token == Token::StartElement && m_feed.reader().name() == QLatin1String("collection")) {
            const std::string type = attribute(m_feed.reader(), "type");
            if (!isBookCollection(type)) {
                refuseSource("Il file di Tellico " + quoted(m_feed.path()) + " è una raccolta " + collectionName(type) +
                             ", non di libri: Gestione Dorvi importa solo raccolte di libri.");
            }
            return;
        }
    }
    refuseSource("Il file " + quoted(m_feed.path()) + " non contiene una raccolta di Tellico.");
}

void TellicoSource::readLoans()
{
    std::string borrower;
    for (Token token; (token = m_feed.next()) != Token::EndDocument;) {
        if (token != Token::StartElement)
            continue;
        const QXmlStreamReader& reader = m_feed.reader();
        if (reader.name() == QLatin1String("borrower"))
            borrower = attribute(reader, "name");
        else if (reader.name() == QLatin1String("loan"))
            m_loans[attribute(reader, "entryRef")] = {borrower, attribute(reader, "loanDate")};
    }
}

bool TellicoSource::next(SourceBook& book)
{
    for (Token token; (token = m_feed.next()) != Token::EndDocument;) {
        QXmlStreamReader& reader = m_feed.reader();
        if (token != Token::StartElement || reader.name() != QLatin1String("entry"))
            continue;
        const std::string id = attribute(reader, "id");
        book = SourceBook{"libro " + id, std::vector<std::optional<std::string>>(m_columns.size()), {}, {}};
        while ((token = m_feed.next()) != Token::EndElement) {
            if (token != Token::StartElement)
                continue;
            const std::string element = reader.name().toString().toStdString();
            const auto field = std::find_if(std::begin(tellicoFields), std::end(tellicoFields),
                                            [&](const TellicoField& f) { return element == f.element; });
            if (field == std::end(tellicoFields)) {
                m_feed.elementText();
                continue;
            }
            const std::string value = joined(m_feed.leafTexts());
            noteCut(book, m_feed, field->column);
            set(book, field->column, std::string_view(field->column) == "note" ? plainText(value) : value);
        }
        if (const auto loan = m_loans.find(id); loan != m_loans.end()) {
            set(book, "prestato_a", loan->second.borrower);
            set(book, "prestato_il", loan->second.date);
        }
        return true;
    }
    return false;
}

GcstarSource::GcstarSource(const std::string& path)
    : m_feed(path), m_columns(bookColumns)
{
    for (Token token; (token = m_feed.next()) != Token::EndDocument;) {
        if (token == Token::StartElement && m_feed.reader().name() == QLatin1String("collection")) {
            const std::string type = attribute(m_feed.reader(), "type");
            if (type.find("GCbooks") == std::string::npos) {
                refuseSource("Il file di GCstar " + quoted(path) + " è una raccolta di tipo " + quoted(type) +
                             ", non di libri: Gestione Dorvi importa solo raccolte di libri (GCbooks).");
            }
            return;
        }
    }
    refuseSource("Il file " + quoted(path) + " non contiene una raccolta di GCstar.");
}

bool GcstarSource::next(SourceBook& book)
{
    for (Token token; (token = m_feed.next()) != Token::EndDocument;) {
        QXmlStreamReader& reader = m_feed.reader();
        if (token != Token::StartElement || reader.name() != QLatin1String("item"))
            continue;
        book = SourceBook{"libro " + attribute(reader, "id"), std::vector<std::optional<std::string>>(m_columns.size()),
                          {}, {}};
        for (const auto& [name, column] : {std::pair{"title", "titolo"}, {"isbn", "isbn"}, {"publisher", "editore"},
                                           {"publication", "anno"}, {"serie", "collana"}, {"rank", "numero"},
                                           {"language", "lingua"}, {"pages", "pagine"}, {"read", "letto"},
                                           {"location", "collocazione"}, {"lendDate", "prestato_il"},
                                           {"authors", "autore"}, {"genre", "genere"}}) {
            set(book, column, attribute(reader, name));
        }
        if (const std::string borrower = attribute(reader, "borrower"); borrower != "none")
            set(book, "prestato_a", borrower);
        // GCstar rates 0 to 10; 0 is no rating.
        if (const std::string rating = attribute(reader, "rating"); !rating.empty() && rating != "0") {
            const int ten = std::atoi(rating.c_str());
            set(book, "voto", ten >= 1 && ten <= 10 ? std::to_string((ten + 1) / 2) : rating);
        }
        while ((token = m_feed.next()) != Token::EndElement) {
            if (token != Token::StartElement)
                continue;
            const std::string element = reader.name().toString().toStdString();
            if (element == "authors" || element == "genre") {
                const char* column = element == "authors" ? "autore" : "genere";
                set(book, column, joined(m_feed.leafTexts()));
                noteCut(book, m_feed, column);
            } else if (element == "comments") {
                set(book, "note", plainText(m_feed.elementText()));
                noteCut(book, m_feed, "note");
            } else {
                m_feed.elementText();
            }
        }
        return true;
    }
    return false;
}

std::string xmlRootName(const std::string& path)
{
    XmlFeed feed(path);
    try {
        for (Token token; (token = feed.next()) != Token::EndDocument;) {
            if (token == Token::StartElement)
                return feed.reader().name().toString().toStdString();
        }
    } catch (const catalogue::Error&) {
    }
    return {};
}

} // namespace bookimport
