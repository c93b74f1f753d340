#pragma once

#include "bookrecord.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QPlainTextEdit;

// The book found by ISBN as it would be added: every field, the cover and the
// service it came from; when the ISBN named several editions, a list to choose
// one. Read by a screen reader as one text.
class BookPreview : public QWidget {
public:
    explicit BookPreview(QWidget* parent = nullptr);

    void show(const lookup::BookRecord& book);
    void clear();
    // The edition chosen, as it would be added.
    lookup::BookRecord chosen() const;
    bool holdsBook() const { return m_holds; }
    QComboBox* editions() const { return m_editions; }

    // "Autore: Umberto Eco", one field a line, in the order of the card.
    static QString fieldsText(const lookup::BookRecord& book);
    // What the list of editions shows of one: "Mondadori, 2020, 612 pagine".
    static QString editionText(const lookup::BookRecord& book);

private:
    void showEdition();

    lookup::BookRecord m_book;
    bool m_holds = false;
    QLabel* m_cover;
    QPlainTextEdit* m_fields;
    QComboBox* m_editions;
    QLabel* m_editionsLabel;
};
