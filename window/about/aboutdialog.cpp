// The "Informazioni" dialog: a form of read-only facts gathered when it opens.
#include "aboutdialog.h"

#include "backupcopy.h"
#include "engineversion.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

#include <QtGlobal>

#include <optional>

#ifndef DORVI_VERSION
#define DORVI_VERSION "?"
#endif

namespace {

QString booksPart(long long books)
{
    const QLocale italian(QLocale::Italian);
    return books == 1 ? QStringLiteral("1 libro") : QStringLiteral("%1 libri").arg(italian.toString(books));
}

} // namespace

QString catalogueSizeText(const QString& path)
{
    const QFileInfo file(path);
    if (!file.exists())
        return QStringLiteral("il file non c'è");
    const QString bytes =
        QLocale(QLocale::Italian).formattedDataSize(file.size(), 1, QLocale::DataSizeTraditionalFormat);
    const std::optional<long long> books = catalogue::countBooks(QFile::encodeName(path).toStdString());
    if (!books)
        return QStringLiteral("%1 (non si legge come catalogo)").arg(bytes);
    return QStringLiteral("%1 · %2").arg(booksPart(*books), bytes);
}

AboutDialog::AboutDialog(const QString& cataloguePath, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("informazioni"));
    setWindowTitle(QStringLiteral("Informazioni su Gestione Dorvi"));
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(QStringLiteral("<b>Gestione Dorvi</b>: il catalogo dei libri di casa"), this);
    layout->addWidget(title);
    auto* form = new QFormLayout;
    addFact(*form, QStringLiteral("Versione"), QStringLiteral(DORVI_VERSION));
    addFact(*form, QStringLiteral("Licenza"),
            QStringLiteral("MIT: si può usare, copiare, modificare e distribuire liberamente, "
                           "mantenendo l'avviso di copyright e di licenza"));
    addFact(*form, QStringLiteral("Catalogo"), QDir::toNativeSeparators(cataloguePath));
    addFact(*form, QStringLiteral("Dimensione"), catalogueSizeText(cataloguePath));
    addFact(*form, QStringLiteral("Qt"), QString::fromLatin1(qVersion()));
    addFact(*form, QStringLiteral("SQLite"), QString::fromStdString(catalogue::engineVersion()));
    layout->addLayout(form);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton* close = buttons->button(QDialogButtonBox::Close);
    close->setText(QStringLiteral("&Chiudi"));
    QPushButton* copy = buttons->addButton(QStringLiteral("C&opia"), QDialogButtonBox::ActionRole);
    copy->setObjectName(QStringLiteral("copia"));
    copy->setAccessibleName(QStringLiteral("Copia le informazioni negli appunti"));
    copy->setAutoDefault(false);
    connect(copy, &QPushButton::clicked, this, [this] { QApplication::clipboard()->setText(m_facts); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    close->setDefault(true);
    close->setFocus();
    // Wide enough for a catalogue's path in a home folder on one line.
    setMinimumWidth(520);
}

// A value is a label the keyboard can reach and select, named for a screen reader
// by its fact ("Versione") with the value as what it says.
void AboutDialog::addFact(QFormLayout& form, const QString& name, const QString& value)
{
    auto* shown = new QLabel(value, this);
    shown->setTextFormat(Qt::PlainText);
    shown->setWordWrap(true);
    shown->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    shown->setAccessibleName(name);
    shown->setAccessibleDescription(value);
    form.addRow(name + QLatin1Char(':'), shown);
    m_facts += QStringLiteral("%1: %2\n").arg(name, value);
}
