#pragma once

#include "bookrecord.h"

#include <QMultiMap>
#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CompletionDialog;

namespace catalogue {
class Connection;
class Recordset;
}

namespace lookup {
class IsbnLookup;
struct LookupSettings;
}

// One "Completa da ISBN" under way: the books' ISBNs asked of the services in the
// background, each answer turned at once into the changes the preview lists, read
// against the book as the grid holds it then. Dropping it drops the lookups.
class CompletionRun : public QObject {
public:
    struct Book {
        std::int64_t id = 0;
        std::size_t row = 0; ///< where the grid showed it when chosen
        QString isbn13;
        QString label; ///< «Titolo» di Autore
    };

    CompletionRun(const lookup::LookupSettings& settings, std::shared_ptr<catalogue::Recordset> shown,
                  std::shared_ptr<catalogue::Connection> file, CompletionDialog& dialog);
    ~CompletionRun() override;

    void start(const std::vector<Book>& books);
    lookup::IsbnLookup& lookup() { return *m_lookup; }

private:
    void found(const lookup::BookRecord& record);
    void notFound(const QString& isbn13);
    void failed(const QString& isbn13, const QString& message);
    void complete(const Book& book, const lookup::BookRecord& record);
    void tellProgress();
    void finish();

    std::unique_ptr<lookup::IsbnLookup> m_lookup;
    std::shared_ptr<catalogue::Recordset> m_shown;
    std::shared_ptr<catalogue::Connection> m_file;
    CompletionDialog& m_dialog;
    QMultiMap<QString, Book> m_waiting; ///< by ISBN: two books may share one
    int m_asked = 0;
    int m_answered = 0;
    int m_problems = 0;
    int m_books = 0; ///< books with a change in the preview
};
