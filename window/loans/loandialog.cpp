// The dialog of Presta: to whom, completed from earlier names, and since when,
// today unless changed; OK waits for a name.
#include "loandialog.h"

#include <QCompleter>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

LoanDialog::LoanDialog(const QStringList& names, const QDate& today, int books, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("LoanDialog"));
    setWindowTitle(QStringLiteral("Presta"));
    auto* form = new QFormLayout(this);
    form->addRow(new QLabel(books == 1 ? QStringLiteral("Presta il libro scelto.")
                                       : QStringLiteral("Presta i %1 libri scelti.").arg(books)));
    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("nome"));
    auto* completer = new QCompleter(names, m_name);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    completer->setFilterMode(Qt::MatchContains);
    m_name->setCompleter(completer);
    form->addRow(QStringLiteral("&A chi:"), m_name);
    m_date = new QDateEdit(today, this);
    m_date->setObjectName(QStringLiteral("data"));
    m_date->setDisplayFormat(QStringLiteral("d/M/yyyy"));
    m_date->setCalendarPopup(true);
    form->addRow(QStringLiteral("&Dal:"), m_date);
    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Presta"));
    m_buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Annulla"));
    form->addRow(m_buttons);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_name, &QLineEdit::textChanged, this, [this] { followName(); });
    followName();
}

QString LoanDialog::name() const
{
    return m_name->text().trimmed();
}

QDate LoanDialog::date() const
{
    return m_date->date();
}

void LoanDialog::followName()
{
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(!name().isEmpty());
}
