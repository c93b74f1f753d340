#pragma once

#include "filledbooks.h"

#include <QDialog>

#include <vector>

class QDialogButtonBox;
class QLabel;
class QListWidget;
class QTableWidget;

// The preview of "Completa da ISBN": one line a change (the book, the field, its
// new value, the cover when the book has none), each ticked, to be left out by
// taking its tick away; and the books left as they are, each with why. Scrivi
// stays off until every lookup has answered and a change is ticked; Esc or
// Annulla closes it with nothing written.
class CompletionDialog : public QDialog {
public:
    explicit CompletionDialog(QWidget* parent = nullptr);

    // The changes a book would take; `coverWords` describes its cover, if any.
    void addBook(const catalogue::BookFill& fill, const QString& coverWords);
    // A book left as it is, or a value not written, in words.
    void addProblem(const QString& text);
    void setStatus(const QString& text);
    // Every lookup has answered: Scrivi may be pressed.
    void setFinished();

    // The changes still ticked, book by book; a book with none ticked is left out.
    std::vector<catalogue::BookFill> chosen() const;
    int changeCount() const;

private:
    void updateWriteButton();

    QLabel* m_status;
    QTableWidget* m_changes;
    QListWidget* m_problems;
    QDialogButtonBox* m_buttons;
    std::vector<catalogue::BookFill> m_books;
    bool m_finished = false;
};
