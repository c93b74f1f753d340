// Generated values for the standard fields, filled in about half the books each,
// as a collector's catalogue holds them.
#include "bookfields.h"

#include <sqlite3.h>

#include <array>
#include <cstdio>

namespace bench {

namespace {

// In the order of the program's standard fields (catalogue/standardfields.h).
constexpr std::array fieldNames{"anno",   "editore", "isbn",  "collana",    "numero",     "lingua",     "pagine",
                                "collocazione", "letto", "voto", "note", "prestato_a", "prestato_il", "aggiunto_il"};

constexpr std::array publishers{"Einaudi", "Mondadori", "Adelphi", "Feltrinelli", "Garzanti", "Bompiani", "Sellerio",
                                "Laterza", "Il Mulino", "Rizzoli", "Neri Pozza", "Marsilio", "Guanda", "Iperborea",
                                "minimum fax", "E/O", "Longanesi", "Utet", "Zanichelli", "Salani", "Bollati Boringhieri",
                                "Quodlibet", "L'orma", "Nottetempo", "Fazi", "Baldini+Castoldi", "La nave di Teseo"};
constexpr std::array series{"Supercoralli", "Gli Struzzi", "Oscar Mondadori", "I Meridiani", "Biblioteca Adelphi",
                            "Piccola Biblioteca Adelphi", "Universale Economica", "La memoria", "I Narratori",
                            "Tascabili Bompiani", "Gialli Mondadori", "Urania", "BUR", "I grandi libri Garzanti",
                            "Nuovi Coralli", "Einaudi Tascabili", "Saggi", "Economica Laterza", "Le Comete"};
constexpr std::array languages{"italiano", "italiano", "italiano", "italiano", "inglese", "francese", "tedesco",
                               "spagnolo", "latino", "greco antico", "portoghese", "russo"};
constexpr std::array rooms{"Studio", "Soggiorno", "Camera", "Corridoio", "Cantina", "Casa al mare"};
constexpr std::array shortNotes{"Prima edizione.", "Regalo di Natale.", "Comprato a una bancarella.",
                                "Copertina rovinata.", "Da rileggere.", "Con dedica dell'autore.",
                                "Edizione tascabile, pagine ingiallite.", "Ereditato dal nonno.",
                                "Traduzione di Natalia Ginzburg.", "Sottolineature a matita."};
constexpr std::array noteSentences{
    "Letto d'un fiato durante le vacanze al mare, poi ripreso in mano l'inverno dopo.",
    "La traduzione è discutibile in più punti: meglio confrontarla con l'originale.",
    "Il capitolo centrale vale da solo tutto il libro; il finale invece delude.",
    "Prestato a un collega che l'ha restituito con una macchia di caffè sulla copertina.",
    "Contiene una cartolina da Trieste usata come segnalibro, datata 1974.",
    "Edizione con apparato di note molto ricco e una lunga introduzione del curatore.",
    "Consigliato da Lucia, che ne parlava come del suo libro preferito dell'università."};
constexpr std::array borrowers{"Anna", "Marco Bianchi", "zia Rosa", "Giulia (ufficio)", "Paolo", "la biblioteca"};

} // namespace

std::string BookFieldValues::columns()
{
    std::string list;
    for (const char* name : fieldNames)
        list += std::string(", ") + name;
    return list;
}

std::string BookFieldValues::parameters(int first)
{
    std::string list;
    for (std::size_t i = 0; i < fieldNames.size(); ++i)
        list += ", ?" + std::to_string(first + static_cast<int>(i));
    return list;
}

std::string BookFieldValues::isbn()
{
    std::string digits = "97888";
    for (int i = 0; i < 7; ++i)
        digits += static_cast<char>('0' + m_random.below(10));
    int sum = 0;
    for (std::size_t i = 0; i < digits.size(); ++i)
        sum += (digits[i] - '0') * (i % 2 ? 3 : 1);
    return digits + static_cast<char>('0' + (10 - sum % 10) % 10);
}

std::string BookFieldValues::date(int fromYear, int toYear)
{
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d",
                  fromYear + static_cast<int>(m_random.below(static_cast<std::size_t>(toYear - fromYear + 1))),
                  1 + static_cast<int>(m_random.below(12)), 1 + static_cast<int>(m_random.below(28)));
    return text;
}

std::string BookFieldValues::note()
{
    if (m_random.below(8) != 0)
        return m_random.pick(shortNotes);
    std::string text = m_random.pick(shortNotes);
    const std::size_t sentences = 3 + m_random.below(6);
    for (std::size_t i = 0; i < sentences; ++i)
        text += (i % 3 == 0 ? "\n" : " ") + std::string(m_random.pick(noteSentences));
    return text;
}

void BookFieldValues::bindNext(sqlite3_stmt* insert, int first)
{
    const auto text = [&](int field, const std::string& value) {
        sqlite3_bind_text(insert, first + field, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
    };
    const auto constant = [&](int field, const char* value) {
        sqlite3_bind_text(insert, first + field, value, -1, SQLITE_STATIC);
    };
    const auto number = [&](int field, std::int64_t value) { sqlite3_bind_int64(insert, first + field, value); };
    for (int field = 0; field < static_cast<int>(fieldNames.size()); ++field)
        sqlite3_bind_null(insert, first + field);

    if (filled()) // one book in a thousand is from before Christ
        number(0, m_random.below(1000) ? 1850 + static_cast<std::int64_t>(m_random.below(176)) : -44);
    if (filled())
        constant(1, m_random.pick(publishers));
    if (filled())
        text(2, isbn());
    if (filled())
        constant(3, m_random.pick(series));
    if (filled()) { // one number in ten is a half, as a book between two of a series
        const auto whole = 1 + static_cast<std::int64_t>(m_random.below(60));
        if (m_random.below(10))
            number(4, whole);
        else
            sqlite3_bind_double(insert, first + 4, static_cast<double>(whole) + 0.5);
    }
    if (filled())
        constant(5, m_random.pick(languages));
    if (filled())
        number(6, 48 + static_cast<std::int64_t>(m_random.below(1200)));
    if (filled())
        text(7, std::string(m_random.pick(rooms)) + ", scaffale " + std::to_string(1 + m_random.below(12)));
    if (filled())
        number(8, static_cast<std::int64_t>(m_random.below(2)));
    if (filled())
        number(9, 1 + static_cast<std::int64_t>(m_random.below(5)));
    if (filled())
        text(10, note());
    if (m_random.below(50) == 0) {
        constant(11, m_random.pick(borrowers));
        text(12, date(2024, 2026));
    }
    if (filled())
        text(13, date(2005, 2026));
}

} // namespace bench
