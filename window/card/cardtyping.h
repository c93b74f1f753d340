#pragma once

#include <QString>

class QWidget;

// The card's editors that take typing, and the text they hold.
namespace cardtyping {

// The widget typed into: a date field's line, any other editor itself.
QWidget* typingWidget(QWidget* editor);
// Whether `editor` takes typing (a line or the notes).
bool holdsTyping(const QWidget* editor);
// What a text editor holds, line ends as they were loaded (CR LF stays CR LF).
QString typedText(const QWidget* editor, const QString& loaded);
void showText(QWidget* editor, const QString& text);
// The keyboard goes back to `typing`, whose text was refused as it was left.
void giveKeyboardBack(QWidget* typing);
// Takes away the refused look, once the field holds what the file holds.
void clearRefused(QWidget* editor);

} // namespace cardtyping
