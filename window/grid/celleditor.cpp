// Editors for the grid's cells. A one-line value gets a line editor without a
// length limit; a value with line breaks gets a plain-text editor a few lines
// high, where Enter breaks the line and Tab or a click elsewhere ends the edit.
// Windows line ends (CR LF) in a value stay CR LF after the edit.
#include "celleditor.h"

#include <QAbstractItemView>
#include <QFocusEvent>
#include <QHelpEvent>
#include <QLineEdit>
#include <QToolTip>
#include <QPlainTextEdit>

#include <limits>

namespace {

constexpr int multiLineRows = 5;
const char* crlfProperty = "dorviCrLf";
const char* refusedProperty = "dorviRefused";
// A pale red behind a value the file refused, dark text on it in every theme.
const QColor refusedBase(255, 224, 224);

bool holdsLineBreaks(const QString& text)
{
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
}

} // namespace

QWidget* CellEditor::createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (holdsLineBreaks(index.data(Qt::EditRole).toString())) {
        auto* editor = new QPlainTextEdit(parent);
        editor->setTabChangesFocus(true);
        editor->setFrameShape(QFrame::StyledPanel);
        return editor;
    }
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (auto* line = qobject_cast<QLineEdit*>(editor)) {
        line->setMaxLength(std::numeric_limits<int>::max());
        line->setFrame(true);
    }
    return editor;
}

void CellEditor::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    if (auto* lines = qobject_cast<QPlainTextEdit*>(editor)) {
        QString text = index.data(Qt::EditRole).toString();
        const bool crlf = text.contains(QLatin1String("\r\n"));
        lines->setProperty(crlfProperty, crlf);
        // The editor breaks the line at CR and at LF alike.
        lines->setPlainText(crlf ? text.replace(QLatin1String("\r\n"), QLatin1String("\n")) : text);
        return;
    }
    QStyledItemDelegate::setEditorData(editor, index);
}

void CellEditor::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    if (qobject_cast<QPlainTextEdit*>(editor)) {
        model->setData(index, text(editor), Qt::EditRole);
        return;
    }
    QStyledItemDelegate::setModelData(editor, model, index);
}

// A multi-line editor is a few rows high, kept inside the grid.
void CellEditor::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                      const QModelIndex& index) const
{
    QStyledItemDelegate::updateEditorGeometry(editor, option, index);
    if (!qobject_cast<QPlainTextEdit*>(editor))
        return;
    QRect area = option.rect;
    area.setHeight(option.rect.height() * multiLineRows);
    if (const QWidget* viewport = editor->parentWidget()) {
        if (area.bottom() > viewport->height())
            area.moveBottom(std::max(viewport->height(), option.rect.bottom()));
    }
    editor->setGeometry(area);
}

bool CellEditor::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                           const QModelIndex& index)
{
    if (!event || event->type() != QEvent::ToolTip || !index.isValid())
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    // A tooltip lays out its whole text at once: past this many characters the
    // value is read in the editor instead, which holds it whole.
    constexpr qsizetype longestTip = 10000;
    const QString shown = index.data(Qt::DisplayRole).toString();
    const int margins = 8;
    if (shown.isEmpty() || option.fontMetrics.horizontalAdvance(shown.left(longestTip)) + margins <= option.rect.width()) {
        QToolTip::hideText();
        return true;
    }
    QString tip = shown.left(longestTip);
    if (shown.size() > longestTip)
        tip += QStringLiteral("…");
    QToolTip::showText(event->globalPos(), tip, view);
    return true;
}

QString CellEditor::text(const QWidget* editor)
{
    if (const auto* lines = qobject_cast<const QPlainTextEdit*>(editor)) {
        QString text = lines->toPlainText();
        if (lines->property(crlfProperty).toBool())
            text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
        return text;
    }
    if (const auto* line = qobject_cast<const QLineEdit*>(editor))
        return line->text();
    return {};
}

void CellEditor::setText(QWidget* editor, const QString& text)
{
    if (auto* lines = qobject_cast<QPlainTextEdit*>(editor))
        lines->setPlainText(text);
    else if (auto* line = qobject_cast<QLineEdit*>(editor))
        line->setText(text);
}

void CellEditor::holdRefused(QWidget* editor, const QString& typed)
{
    setText(editor, typed);
    editor->setProperty(refusedProperty, true);
    QPalette colors = editor->palette();
    colors.setColor(QPalette::Base, refusedBase);
    colors.setColor(QPalette::Text, Qt::black);
    editor->setPalette(colors);
    editor->setAccessibleDescription(
        QStringLiteral("Valore non accettato dal catalogo: correggerlo, oppure Esc per tornare a quello scritto"));
}

bool CellEditor::holdsRefused(const QWidget* editor)
{
    return editor && editor->property(refusedProperty).toBool();
}

bool CellEditor::eventFilter(QObject* object, QEvent* event)
{
    if (event->type() == QEvent::FocusOut && static_cast<QFocusEvent*>(event)->reason() == Qt::MenuBarFocusReason)
        return false;
    return QStyledItemDelegate::eventFilter(object, event);
}
