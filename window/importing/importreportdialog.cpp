// The report of an import in a scrolled plain text the user can copy, laid out
// only where it is on show, however many lines it has.
#include "importreportdialog.h"

#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

ImportReportDialog::ImportReportDialog(const QString& report, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Importazione"));
    auto* layout = new QVBoxLayout(this);
    m_text = new QPlainTextEdit(report, this);
    m_text->setObjectName(QStringLiteral("report"));
    m_text->setReadOnly(true);
    // A duplicate's line names two books; it wraps rather than hiding the second.
    m_text->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    layout->addWidget(m_text);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    // Enter and Esc both close it at once; Tab reaches the text.
    buttons->button(QDialogButtonBox::Ok)->setFocus();
    resize(760, 420);
}

QString ImportReportDialog::text() const
{
    return m_text->toPlainText();
}
