// The text editors of the book card: a line, the notes, a date's line. What they
// hold is read and put back here, line ends as they were loaded, and a refused
// text is marked, and unmarked, as the grid marks its editor.
#include "cardtyping.h"

#include "celleditor.h"
#include "datefield.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>

namespace cardtyping {

namespace {

const char* refusedProperty = "dorviRefused";

} // namespace

QWidget* typingWidget(QWidget* editor)
{
    if (auto* date = qobject_cast<DateField*>(editor))
        return date->line();
    return editor;
}

bool holdsTyping(const QWidget* editor)
{
    return qobject_cast<const QLineEdit*>(editor) || qobject_cast<const QPlainTextEdit*>(editor);
}

// What a text editor holds, line ends as they were loaded (CR LF stays CR LF).
QString typedText(const QWidget* editor, const QString& loaded)
{
    if (const auto* lines = qobject_cast<const QPlainTextEdit*>(editor)) {
        QString text = lines->toPlainText();
        if (loaded.contains(QLatin1String("\r\n")))
            text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
        return text;
    }
    if (const auto* line = qobject_cast<const QLineEdit*>(editor))
        return line->text();
    return {};
}

void showText(QWidget* editor, const QString& text)
{
    if (auto* lines = qobject_cast<QPlainTextEdit*>(editor))
        lines->setPlainText(QString(text).replace(QLatin1String("\r\n"), QLatin1String("\n")));
    else if (auto* line = qobject_cast<QLineEdit*>(editor))
        line->setText(text);
}

// The keyboard goes back to a field whose text was refused as it was left (Tab, a
// click elsewhere), so it is put right there, as the grid reopens its cell. Queued:
// the field is still losing the keyboard, and a question or message may be open.
void giveKeyboardBack(QWidget* typing)
{
    QTimer::singleShot(0, typing, [typing] {
        // Not when the card has moved on to another book, or closed, meanwhile.
        if (!typing->isVisible() || typing->hasFocus() || !CellEditor::holdsRefused(typing))
            return;
        typing->setFocus(Qt::OtherFocusReason);
        if (auto* line = qobject_cast<QLineEdit*>(typing))
            line->end(false);
    });
}

void clearRefused(QWidget* editor)
{
    if (!CellEditor::holdsRefused(editor))
        return;
    editor->setProperty(refusedProperty, false);
    editor->setPalette(QPalette());
    editor->setAccessibleDescription({});
}

} // namespace cardtyping
