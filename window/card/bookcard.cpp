// The book card. It holds no values of its own: every editor is filled from the
// grid's model and every change goes back through the model's setData, the path a
// cell typed in the grid takes, so the card can never show or write otherwise
// than the grid. A field being typed keeps its text while the row is reloaded
// under it (a write of another field, another program's change), and a text the
// file refused stays in its editor, framed and tinted as in the grid.
#include "bookcard.h"

#include "cardlabel.h"
#include "cardlabels.h"
#include "cardtyping.h"
#include "celleditor.h"
#include "columnname.h"
#include "datefield.h"
#include "editrefusals.h"
#include "starsfield.h"
#include "windowservices.h"

#include <QCheckBox>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTableView>
#include <QVBoxLayout>

#include <limits>

using namespace cardtyping;

namespace {

// A sì/no field: a click ticks or unticks it; half ticked says "not said", which
// Canc gives back.
class YesNoBox : public QCheckBox {
public:
    using QCheckBox::QCheckBox;

protected:
    void nextCheckState() override { setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked); }
};

} // namespace

BookCard::BookCard(QTableView& grid, WindowServices& services, QWidget* parent)
    : QDialog(parent), m_grid(grid), m_services(services), m_position(new QLabel(this)),
      m_previous(new QPushButton(QStringLiteral("&Precedente"), this)),
      m_next(new QPushButton(QStringLiteral("&Successivo"), this))
{
    setObjectName(QStringLiteral("BookCard"));
    setWindowTitle(QStringLiteral("Scheda del libro"));
    auto* page = new QWidget;
    auto* form = new QFormLayout(page);
    const QHeaderView* header = grid.horizontalHeader();
    for (int visual = 0; visual < header->count(); ++visual)
        addField(header->logicalIndex(visual), *form);
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setWidget(page);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("&Chiudi"));
    buttons->addButton(m_previous, QDialogButtonBox::ActionRole);
    buttons->addButton(m_next, QDialogButtonBox::ActionRole);
    // Enter writes the field it is pressed in, and never presses a button.
    for (QAbstractButton* button : buttons->buttons())
        qobject_cast<QPushButton*>(button)->setAutoDefault(false);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_previous, &QPushButton::clicked, this, &BookCard::showPrevious);
    connect(m_next, &QPushButton::clicked, this, &BookCard::showNext);
    m_previous->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Left));
    m_next->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Right));

    m_layout = new QVBoxLayout(this);
    m_layout->addWidget(scroll, 1);
    m_layout->addWidget(m_position);
    m_layout->addWidget(buttons);
    resize(480, 560);

    QAbstractItemModel* model = grid.model();
    connect(grid.selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this] { load(); });
    connect(model, &QAbstractItemModel::dataChanged, this, [this](const QModelIndex& first, const QModelIndex& last) {
        if (row() >= first.row() && row() <= last.row())
            load();
    });
    connect(model, &QAbstractItemModel::modelReset, this, [this] { load(); });
    connect(model, &QAbstractItemModel::layoutChanged, this, [this] { load(); });
    connect(model, &QAbstractItemModel::rowsRemoved, this, [this] { load(); });
    connect(model, &QAbstractItemModel::rowsInserted, this, [this] { load(); });
    if (!grid.currentIndex().isValid() && model->rowCount() > 0)
        grid.setCurrentIndex(model->index(0, 0));
    load();
    orderKeyboard(buttons->button(QDialogButtonBox::Close));
}

// Tab goes down the fields, then to the buttons; the card opens in the first field
// that takes typing.
void BookCard::orderKeyboard(QWidget* close)
{
    QWidget* previous = nullptr;
    QWidget* first = nullptr;
    for (const Field& field : m_fields) {
        if (previous)
            setTabOrder(previous, field.editor);
        previous = field.editor;
        const QModelIndex index = cell(field);
        if (!first && index.isValid() && (index.flags() & Qt::ItemIsEditable))
            first = field.editor;
    }
    for (QWidget* button : {static_cast<QWidget*>(m_previous), static_cast<QWidget*>(m_next), close}) {
        if (previous)
            setTabOrder(previous, button);
        previous = button;
    }
    if (first)
        first->setFocus();
}

int BookCard::row() const
{
    return m_grid.currentIndex().row();
}

void BookCard::addField(int column, QFormLayout& form)
{
    const QAbstractItemModel* model = m_grid.model();
    const QString name = model->headerData(column, Qt::Horizontal, FieldNameRole).toString();
    Field field{column, static_cast<FieldKind>(model->headerData(column, Qt::Horizontal, FieldKindRole).toInt()),
                nullptr, name, {}};
    field.editor = makeEditor(field);
    field.editor->setObjectName(name);
    field.editor->setAccessibleName(fieldLabel(name));
    form.addRow(cardLabel(name, field.editor), field.editor);
    m_fields.push_back(std::move(field));
}

// Each editor writes when the user is done with it: a line when it is left or
// Enter is pressed, the notes when they lose the keyboard, a tick, a star or a
// day of the calendar at once.
QWidget* BookCard::makeEditor(Field& field)
{
    const int column = field.column;
    const auto mine = [this, column]() -> Field& {
        return *std::find_if(m_fields.begin(), m_fields.end(), [column](const Field& f) { return f.column == column; });
    };
    switch (field.kind) {
    case FieldKind::YesNo: {
        auto* box = new YesNoBox;
        box->setTristate(true);
        box->installEventFilter(this);
        connect(box, &QCheckBox::clicked, this,
                [this, box, mine] { writeField(mine(), box->checkState(), Qt::CheckStateRole); });
        return box;
    }
    case FieldKind::Stars: {
        auto* stars = new StarsField;
        connect(stars, &StarsField::chosen, this, [this, mine](int given) { writeField(mine(), QString::number(given)); });
        return stars;
    }
    case FieldKind::Date: {
        auto* date = new DateField;
        connect(date->line(), &QLineEdit::editingFinished, this, [this, mine] { writeIfTyped(mine()); });
        connect(date, &DateField::picked, this, [this, mine] { writeIfTyped(mine()); });
        return date;
    }
    case FieldKind::LongText: {
        auto* lines = new QPlainTextEdit;
        lines->setTabChangesFocus(true);
        lines->setFixedHeight(lines->fontMetrics().lineSpacing() * 5 + 12);
        lines->installEventFilter(this);
        return lines;
    }
    case FieldKind::Text:
    case FieldKind::Number:
    case FieldKind::Integer:
    case FieldKind::Isbn:
        break;
    }
    auto* line = new QLineEdit;
    line->setMaxLength(std::numeric_limits<int>::max());
    // Enter again on a text kept as refused tries it again, under the field's rule.
    connect(line, &QLineEdit::returnPressed, this, [this, line, mine] {
        if (!CellEditor::holdsRefused(line))
            return;
        const std::optional<QString> ruled = m_typingRule ? m_typingRule(mine().name, line->text()) : line->text();
        if (ruled)
            writeField(mine(), *ruled);
    });
    connect(line, &QLineEdit::editingFinished, this, [this, mine] { writeIfTyped(mine()); });
    return line;
}

// An editor losing the keyboard as the card goes would write into a card half gone.
BookCard::~BookCard()
{
    for (QObject* child : findChildren<QObject*>())
        child->disconnect(this);
}

QModelIndex BookCard::cell(const Field& field) const
{
    return m_grid.model()->index(row(), field.column);
}

BookCard::Field* BookCard::fieldOf(const QObject* editor)
{
    for (Field& field : m_fields) {
        if (field.editor == editor)
            return &field;
    }
    return nullptr;
}

QWidget* BookCard::editor(const QString& name) const
{
    for (const Field& field : m_fields) {
        if (sameColumnName(field.editor->objectName(), name))
            return field.editor;
    }
    return nullptr;
}

int BookCard::lastBookRow() const
{
    const QAbstractItemModel* model = m_grid.model();
    int last = model->rowCount() - 1;
    while (last >= 0 && model->headerData(last, Qt::Vertical, NewRowLineRole).toBool())
        --last;
    return last;
}

void BookCard::load()
{
    const int shown = row();
    const int last = lastBookRow();
    const bool onBook = shown >= 0 && shown <= last;
    m_position->setText(shown < 0 ? QStringLiteral("Nessun libro")
                        : onBook  ? QStringLiteral("Libro %1 di %2").arg(shown + 1).arg(last + 1)
                                  : QStringLiteral("Nuovo libro"));
    m_previous->setEnabled(shown > 0);
    m_next->setEnabled(shown >= 0 && shown < last);
    m_loading = true;
    for (Field& field : m_fields)
        loadField(field);
    m_loading = false;
    for (const Follow& follow : m_parts)
        follow(onBook ? std::optional(m_grid.model()->index(shown, 0).data(Qt::EditRole).toLongLong()) : std::nullopt);
}

void BookCard::addPart(const QString& title, QWidget* part, Follow follow)
{
    m_layout->insertWidget(m_layout->count() - 2, new QLabel(title, this));
    m_layout->insertWidget(m_layout->count() - 2, part);
    m_parts.push_back(std::move(follow));
    load();
}

// A field holding typing not yet written keeps it; every other shows the file.
void BookCard::loadField(Field& field)
{
    const QModelIndex index = cell(field);
    QWidget* typing = typingWidget(field.editor);
    const bool editable = index.isValid() && (index.flags() & Qt::ItemIsEditable);
    const QString text = index.data(Qt::EditRole).toString();
    if (holdsTyping(typing)) {
        // A text the file or the field's rule refused stays until it is put right,
        // put back with Esc, or rescued as the card leaves the book.
        const bool unchanged = typedText(typing, field.written) == field.written && !CellEditor::holdsRefused(typing);
        if (unchanged || field.written.isNull()) {
            showText(typing, text);
            field.written = text;
            clearRefused(typing);
        }
    } else if (auto* box = qobject_cast<QCheckBox*>(field.editor)) {
        box->setCheckState(static_cast<Qt::CheckState>(index.data(Qt::CheckStateRole).toInt()));
        box->setEnabled(editable);
    } else if (auto* stars = qobject_cast<StarsField*>(field.editor)) {
        stars->setStars(text.toInt());
        stars->setReadOnly(!editable);
    }
    if (auto* line = qobject_cast<QLineEdit*>(field.editor))
        line->setReadOnly(!editable);
    else if (auto* lines = qobject_cast<QPlainTextEdit*>(field.editor))
        lines->setReadOnly(!editable);
    else if (auto* date = qobject_cast<DateField*>(field.editor))
        date->setReadOnly(!editable);
}

bool BookCard::writeIfTyped(Field& field)
{
    QWidget* typing = typingWidget(field.editor);
    if (m_loading || !holdsTyping(typing))
        return true;
    const QString typed = typedText(typing, field.written);
    if (typed == field.written)
        return true;
    if (m_typingRule) {
        const std::optional<QString> ruled = m_typingRule(field.name, typed);
        if (!ruled) {
            // Kept to be put right, as a text the file refused.
            field.written = typed;
            CellEditor::holdRefused(typing, typed);
            giveKeyboardBack(typing);
            return false;
        }
        showText(typing, *ruled);
    }
    return writeField(field, typedText(typing, field.written));
}

// A write the model refuses has been reported by the grid's own path; the row now
// shows what the file holds, and the field the text typed, marked as refused.
bool BookCard::writeField(Field& field, const QVariant& value, int role)
{
    const QModelIndex index = cell(field);
    if (m_loading || !index.isValid())
        return false;
    QWidget* typing = typingWidget(field.editor);
    const QString typed = holdsTyping(typing) ? typedText(typing, field.written) : QString();
    if (m_grid.model()->setData(index, value, role)) {
        field.written = QString();
        loadField(field);
        return true;
    }
    if (holdsTyping(typing)) {
        // Kept, not sent again when the field is left: only a change, or Enter, writes it.
        field.written = typed;
        showText(typing, typed);
        CellEditor::holdRefused(typing, typed);
        giveKeyboardBack(typing);
    } else {
        load();
    }
    return false;
}

bool BookCard::writeTyping()
{
    bool written = true;
    for (Field& field : m_fields)
        written = writeIfTyped(field) && written;
    return written;
}

// Leaving a book writes what is typed; a text the file refused is not lost: it
// goes to the clipboard, and the user is told so.
bool BookCard::leaveRow()
{
    writeTyping();
    QStringList refused;
    for (Field& field : m_fields) {
        QWidget* typing = typingWidget(field.editor);
        if (CellEditor::holdsRefused(typing)) {
            refused << typedText(typing, field.written);
            field.written = QString();
        }
    }
    if (refused.isEmpty())
        return true;
    QGuiApplication::clipboard()->setText(refused.join(QLatin1Char('\n')));
    m_services.information(QStringLiteral("Un valore non accettato dal catalogo non è stato scritto.") +
                               EditRefusals::rescuedSentence(),
                           windowTitle());
    return true;
}

void BookCard::moveTo(int target)
{
    if (target < 0 || target > lastBookRow() || !leaveRow())
        return;
    const QModelIndex current = m_grid.currentIndex();
    const QModelIndex next = m_grid.model()->index(target, current.isValid() ? current.column() : 0);
    m_grid.setCurrentIndex(next);
    m_grid.scrollTo(next);
    load();
}

void BookCard::showPrevious()
{
    moveTo(row() - 1);
}

void BookCard::showNext()
{
    moveTo(row() + 1);
}

void BookCard::done(int result)
{
    leaveRow();
    QDialog::done(result);
}

// Esc in a field holding a refused text puts back what the file holds and keeps the
// card open; anywhere else it closes the card, as in any dialog.
void BookCard::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        for (Field& field : m_fields) {
            QWidget* typing = typingWidget(field.editor);
            if (typing->hasFocus() && CellEditor::holdsRefused(typing)) {
                field.written = QString();
                loadField(field);
                return;
            }
        }
    }
    QDialog::keyPressEvent(event);
}

bool BookCard::eventFilter(QObject* watched, QEvent* event)
{
    Field* field = fieldOf(watched);
    if (field && event->type() == QEvent::FocusOut && qobject_cast<QPlainTextEdit*>(field->editor))
        writeIfTyped(*field);
    if (field && event->type() == QEvent::KeyPress && qobject_cast<QCheckBox*>(field->editor)) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Delete || key == Qt::Key_Backspace) {
            writeField(*field, QString());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
