// The dialog of Importa…: the kind of file, its headings matched to the fields,
// and a preview again at every choice, before anything is written.
#include "importdialog.h"

#include "cutvaluetips.h"
#include "error.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QString text(const std::string& value)
{
    return QString::fromStdString(value);
}

} // namespace

ImportDialog::ImportDialog(const QString& source, const bookimport::ImportPreview& first, Previewer previewer,
                           QWidget* parent, const bookimport::ImportOptions& chosen)
    : QDialog(parent), m_previewer(std::move(previewer))
{
    setWindowTitle(QStringLiteral("Importa libri"));
    auto* layout = new QVBoxLayout(this);
    m_kind = new QLabel(this);
    m_kind->setObjectName(QStringLiteral("kind"));
    m_kind->setText(QStringLiteral("%1: %2").arg(QFileInfo(source).fileName(), text(first.kind)));
    layout->addWidget(m_kind);
    if (!first.headings.empty())
        layout->addWidget(makeMapping(first, chosen));

    m_duplicates = new QCheckBox(QStringLiteral("Aggiungi anche i &doppioni"), this);
    m_duplicates->setObjectName(QStringLiteral("doppioni"));
    connect(m_duplicates, &QCheckBox::toggled, this, [this] { previewAgain(); });
    layout->addWidget(m_duplicates);

    auto* caption = new QLabel(QStringLiteral("&Anteprima dei primi libri, come saranno scritti:"), this);
    m_table = new QTableWidget(this);
    m_table->setObjectName(QStringLiteral("anteprima"));
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->setItemDelegate(new CutValueTips(m_table));
    m_table->setTabKeyNavigation(false); // Tab goes on to the buttons
    m_table->setAccessibleName(QStringLiteral("Anteprima dei libri"));
    caption->setBuddy(m_table);
    layout->addWidget(caption);
    layout->addWidget(m_table, 1);
    m_failure = new QLabel(this);
    m_failure->setObjectName(QStringLiteral("errore"));
    m_failure->setWordWrap(true);
    m_failure->hide();
    layout->addWidget(m_failure);

    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("&Importa"));
    m_buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Annulla"));
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(m_buttons);
    showPreview(first);
    // Nothing to import until the title is chosen: the keyboard starts in its list.
    if (!first.missing.empty()) {
        for (const auto& [column, list] : m_mapping) {
            if (column == "titolo")
                list->setFocus();
        }
    }
    resize(900, 600);
}

// A list per column of the catalogue: "(secondo l'intestazione)" leaves the
// column to the file's own headings, a heading chosen fills it as --campo does.
QWidget* ImportDialog::makeMapping(const bookimport::ImportPreview& preview, const bookimport::ImportOptions& chosen)
{
    auto* area = new QScrollArea(this);
    auto* inside = new QWidget(area);
    auto* form = new QFormLayout(inside);
    for (const std::string& column : preview.catalogueColumns) {
        if (column == "iddorvo")
            continue;
        auto* list = new QComboBox(inside);
        list->setObjectName(text("campo_" + column));
        list->addItem(QStringLiteral("(secondo l'intestazione)"));
        for (const std::string& heading : preview.headings)
            list->addItem(text(heading));
        for (const auto& [mapped, heading] : chosen.fieldMap) {
            if (mapped == column)
                list->setCurrentText(text(heading));
        }
        connect(list, &QComboBox::currentIndexChanged, this, [this] { previewAgain(); });
        auto* label = new QLabel(text(column), inside);
        label->setBuddy(list);
        form->addRow(label, list);
        m_mapping.emplace_back(column, list);
    }
    area->setWidget(inside);
    area->setWidgetResizable(true);
    area->setFocusPolicy(Qt::NoFocus); // the keyboard starts on the lists inside
    area->setAccessibleName(QStringLiteral("Campi del catalogo e intestazioni del file"));
    area->setMaximumHeight(200);
    return area;
}

bookimport::ImportOptions ImportDialog::options() const
{
    bookimport::ImportOptions options;
    options.keepDuplicates = m_duplicates->isChecked();
    for (const auto& [column, list] : m_mapping) {
        if (list->currentIndex() > 0)
            options.fieldMap.emplace_back(column, list->currentText().toStdString());
    }
    return options;
}

void ImportDialog::showPreview(const bookimport::ImportPreview& preview)
{
    m_table->clear();
    const auto columns = static_cast<int>(preview.columns.size());
    m_table->setColumnCount(columns + 2);
    m_table->setRowCount(static_cast<int>(preview.books.size()));
    QStringList headings{QStringLiteral("Origine")};
    for (const std::string& column : preview.columns)
        headings << text(column);
    headings << QStringLiteral("Nota");
    m_table->setHorizontalHeaderLabels(headings);
    for (int row = 0; row < m_table->rowCount(); ++row) {
        const bookimport::PreviewBook& book = preview.books[static_cast<std::size_t>(row)];
        m_table->setItem(row, 0, new QTableWidgetItem(text(book.where)));
        for (int c = 0; c < columns && c < static_cast<int>(book.values.size()); ++c)
            m_table->setItem(row, c + 1, new QTableWidgetItem(text(book.values[static_cast<std::size_t>(c)])));
        m_table->setItem(row, columns + 1, new QTableWidgetItem(text(book.note)));
    }
    m_failure->setText(text(preview.missing));
    m_failure->setVisible(!preview.missing.empty());
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(preview.missing.empty());
}

// The preview is read off the window's thread while the dialog stays usable: a
// choice changed meanwhile is previewed once the running preview is done.
void ImportDialog::previewAgain()
{
    if (m_previewing) {
        m_previewPending = true;
        return;
    }
    m_previewing = true;
    do {
        m_previewPending = false;
        try {
            showPreview(m_previewer(options()));
        } catch (const catalogue::Error& error) {
            m_table->setRowCount(0);
            m_failure->setText(text(error.description()));
            m_failure->show();
            m_buttons->button(QDialogButtonBox::Ok)->setEnabled(false);
        }
    } while (m_previewPending);
    m_previewing = false;
}
