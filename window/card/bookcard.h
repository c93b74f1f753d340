#pragma once

#include <QDialog>
#include <QPersistentModelIndex>

#include <functional>
#include <optional>
#include <vector>

#include "fieldkind.h"

class QLabel;
class QPushButton;
class QTableView;
class WindowServices;

// "Scheda del libro": the grid's current book as a form, one field a column in the
// grid's order, each with its Italian label and an editor for its kind. It reads
// and writes through the grid's model, so a change is written at once, exactly as
// a cell typed in the grid (the same conflict check, messages and undo history),
// and grid and card always show the same values. The card follows the grid's
// current row: Precedente and Successivo move it through the rows on show.
class BookCard : public QDialog {
    Q_OBJECT
public:
    BookCard(QTableView& grid, WindowServices& services, QWidget* parent = nullptr);
    ~BookCard() override;

    int row() const; ///< the grid's row shown
    // The editor of the column named `name`; null when the card has none.
    QWidget* editor(const QString& name) const;
    QPushButton* previousButton() const { return m_previous; }
    QPushButton* nextButton() const { return m_next; }

    void showPrevious();
    void showNext();
    // Writes the field being typed, if changed; false when the file refused it.
    bool writeTyping();

    void done(int result) override;

    // The typing rule of a field, applied to a text typed in the card before it is
    // written (the ISBN's: its 13 digits, or the question when its check digit is
    // wrong): the text to write, or nothing to write nothing. Unset, texts go to the
    // model as typed, and the model's own rules apply as in the grid.
    using TypingRule = std::function<std::optional<QString>(const QString& column, const QString& typed)>;
    void setTypingRule(TypingRule rule) { m_typingRule = std::move(rule); }

    // A part below the fields that follows the book shown (a book's loans): told the
    // key in the first column of each book shown, or nothing on none.
    using Follow = std::function<void(std::optional<qint64> key)>;
    void addPart(const QString& title, QWidget* part, Follow follow);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct Field {
        int column;
        FieldKind kind;
        QWidget* editor;
        QString name;    ///< the column's name in the file
        QString written; ///< the text the editor held when last loaded or written
    };

    void addField(int column, class QFormLayout& form);
    QWidget* makeEditor(Field& field);
    void load();
    void orderKeyboard(QWidget* close);
    void loadField(Field& field);
    bool writeField(Field& field, const QVariant& value, int role = Qt::EditRole);
    bool writeIfTyped(Field& field);
    void moveTo(int row);
    bool leaveRow();
    int lastBookRow() const;
    Field* fieldOf(const QObject* editor);
    QModelIndex cell(const Field& field) const;

    QTableView& m_grid;
    WindowServices& m_services;
    std::vector<Field> m_fields;
    QLabel* m_position;
    QPushButton* m_previous;
    QPushButton* m_next;
    bool m_loading = false;
    TypingRule m_typingRule;
    std::vector<Follow> m_parts;
    class QVBoxLayout* m_layout = nullptr;
};
