// The dialog of the safety copies. Every action goes through WindowServices (the
// question, the file dialog, the file manager, the messages), so tests script them;
// errors are shown here, where the user's action ends, and the dialog stays open.
#include "copiesdialog.h"

#include "copykeeper.h"
#include "error.h"
#include "windowservices.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QStandardPaths>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <filesystem>

using catalogue::Error;
using catalogue::SafetyCopy;

namespace {

QString sizeText(long long bytes)
{
    return QLocale(QLocale::Italian, QLocale::Italy).formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat);
}

QString fileName(const std::string& path)
{
    return QString::fromStdString(std::filesystem::path(path).filename().string());
}

} // namespace

CopiesDialog::CopiesDialog(WindowServices& services, CopyKeeper& keeper, QWidget* parent)
    : QDialog(parent), m_services(services), m_keeper(keeper)
{
    setObjectName(QStringLiteral("copie"));
    setWindowTitle(QStringLiteral("Copie di sicurezza"));
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(QStringLiteral("&Copie del catalogo, dalla più recente:"), this);
    layout->addWidget(label);
    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("elencocopie"));
    m_list->setHeaderLabels({QStringLiteral("Data e ora"), QStringLiteral("Libri"), QStringLiteral("Dimensione"),
                             QStringLiteral("Motivo")});
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAccessibleName(QStringLiteral("Copie di sicurezza"));
    label->setBuddy(m_list);
    layout->addWidget(m_list);

    auto* buttons = new QDialogButtonBox(this);
    m_restore = buttons->addButton(QStringLiteral("&Ripristina"), QDialogButtonBox::ActionRole);
    m_save = buttons->addButton(QStringLiteral("&Salva una copia…"), QDialogButtonBox::ActionRole);
    QPushButton* folder = buttons->addButton(QStringLiteral("&Apri la cartella"), QDialogButtonBox::ActionRole);
    QPushButton* close = buttons->addButton(QStringLiteral("C&hiudi"), QDialogButtonBox::RejectRole);
    connect(m_restore, &QPushButton::clicked, this, &CopiesDialog::restoreSelected);
    connect(m_save, &QPushButton::clicked, this, &CopiesDialog::saveSelected);
    connect(folder, &QPushButton::clicked, this, &CopiesDialog::openFolder);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(720, 360);
    fill();
    m_list->setFocus();
}

void CopiesDialog::fill()
{
    m_list->clear();
    m_copies = m_keeper.copies().list();
    for (const SafetyCopy& copy : m_copies) {
        auto* row = new QTreeWidgetItem(m_list, {copyTimeText(copy.made), QStringLiteral("…"), sizeText(copy.bytes),
                                                 QString::fromStdString(copy.reason.text())});
        row->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        row->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    }
    if (m_list->topLevelItemCount() > 0)
        m_list->setCurrentItem(m_list->topLevelItem(0));
    for (int c = 0; c < m_list->columnCount(); ++c)
        m_list->resizeColumnToContents(c);
    m_restore->setEnabled(!m_copies.empty());
    m_save->setEnabled(!m_copies.empty());
    m_restore->setDefault(!m_copies.empty());
    countInBackground();
}

// Counting the books of a copy of a million books reads the whole file: the list
// opens at once, and each count takes its place as it comes.
void CopiesDialog::countInBackground()
{
    const int generation = ++m_generation;
    std::vector<std::string> paths;
    for (const SafetyCopy& copy : m_copies)
        paths.push_back(copy.path);
    m_counting = std::jthread([this, generation, paths = std::move(paths)](const std::stop_token& stop) {
        for (std::size_t row = 0; row < paths.size() && !stop.stop_requested(); ++row) {
            const auto books = catalogue::countBooks(paths[row]);
            QMetaObject::invokeMethod(
                this, [this, generation, row, books] { showCount(generation, static_cast<int>(row), books); },
                Qt::QueuedConnection);
        }
    });
}

void CopiesDialog::showCount(int generation, int row, std::optional<long long> books)
{
    QTreeWidgetItem* item = m_list->topLevelItem(row);
    if (generation != m_generation || !item)
        return;
    item->setText(1, books ? QLocale(QLocale::Italian, QLocale::Italy).toString(*books) : QStringLiteral("illeggibile"));
    m_list->resizeColumnToContents(1);
}

std::optional<SafetyCopy> CopiesDialog::selected() const
{
    const int row = m_list->indexOfTopLevelItem(m_list->currentItem());
    if (row < 0 || row >= static_cast<int>(m_copies.size()))
        return std::nullopt;
    return m_copies[static_cast<std::size_t>(row)];
}

void CopiesDialog::restoreSelected()
{
    const auto copy = selected();
    if (!copy)
        return;
    const catalogue::SafetyCopies copies = m_keeper.copies();
    const QString question =
        QStringLiteral("Ripristinare la copia del %1, che contiene %2?\n\n"
                       "Il catalogo attuale, che contiene %3, sarà sostituito. Prima ne viene fatta una copia, che "
                       "resta in questo elenco: così anche il ripristino si può annullare.")
            .arg(copyTimeText(copy->made), booksText(catalogue::countBooks(copy->path)),
                 booksText(catalogue::countBooks(copies.cataloguePath())));
    if (!m_services.confirm(question, QStringLiteral("Ripristina una copia")))
        return;
    try {
        m_keeper.waitForCopy();
        restoreWithProgress(copies, *copy);
    } catch (const Error& error) {
        m_services.showError(error);
        fill();
        return;
    }
    m_restored = true;
    accept();
}

// A catalogue of a million books takes seconds to copy and to put back: the window
// keeps painting between steps of 4 MB, and Annulla stops it with nothing changed.
// The progress dialog closes before any message of the restore is shown.
void CopiesDialog::restoreWithProgress(const catalogue::SafetyCopies& copies, const SafetyCopy& copy)
{
    constexpr qint64 steps = 1000;
    const std::unique_ptr<Progress> progress = m_services.progress(QStringLiteral("Ripristino della copia…"), steps);
    catalogue::CopyControl control;
    control.afterStep = [&](int remaining, int total) {
        return progress->advance(total > 0 ? steps - steps * remaining / total : 0);
    };
    copies.restore(copy, control);
}

void CopiesDialog::saveSelected()
{
    const auto copy = selected();
    if (!copy)
        return;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString target = m_services.saveFileName(QStringLiteral("Salva una copia"),
                                                   documents + QLatin1Char('/') + fileName(copy->path),
                                                   QStringLiteral("Catalogo (*.mdb)"));
    if (target.isEmpty())
        return;
    // The file dialog may point at the catalogue itself, which a copy must never replace.
    const QString catalogue = QFileInfo(QString::fromStdString(m_keeper.copies().cataloguePath())).canonicalFilePath();
    if (!catalogue.isEmpty() && QFileInfo(target).canonicalFilePath() == catalogue) {
        m_services.information(QStringLiteral("«%1» è il catalogo in uso: scegliere un altro nome o un'altra "
                                              "cartella per la copia.")
                                   .arg(target),
                               QStringLiteral("Salva una copia"));
        return;
    }
    try {
        catalogue::copyDatabase(copy->path, QFile::encodeName(target).toStdString());
    } catch (const Error& error) {
        m_services.showError(error);
        return;
    }
    m_services.information(QStringLiteral("La copia del %1 è stata salvata in «%2».").arg(copyTimeText(copy->made), target),
                           QStringLiteral("Salva una copia"));
}

void CopiesDialog::openFolder()
{
    const QString folder = QString::fromStdString(m_keeper.copies().folder());
    if (!QFileInfo(folder).isDir()) {
        m_services.information(QStringLiteral("Non c'è ancora nessuna copia: la cartella «%1» non esiste ancora.")
                                   .arg(folder),
                               QStringLiteral("Copie di sicurezza"));
        return;
    }
    m_services.openFolder(folder);
}
