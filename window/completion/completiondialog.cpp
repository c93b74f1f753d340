// The preview of Completa da ISBN: every change ticked before it is written, the
// books left as they are named with why.
#include "completiondialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

constexpr int bookRole = Qt::UserRole;
constexpr int fieldRole = Qt::UserRole + 1; ///< the field's index in the book's fill; -1 for the cover

QString text(const std::string& value)
{
    return QString::fromStdString(value);
}

QTableWidgetItem* cell(const QString& shown)
{
    auto* item = new QTableWidgetItem(shown);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

} // namespace

CompletionDialog::CompletionDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Completa da ISBN"));
    setAccessibleName(windowTitle());
    auto* layout = new QVBoxLayout(this);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("stato"));
    m_status->setWordWrap(true);
    m_status->setAccessibleName(QStringLiteral("Stato della ricerca"));
    layout->addWidget(m_status);

    auto* caption =
        new QLabel(QStringLiteral("&Modifiche da scrivere (togliere la spunta per lasciarne fuori una):"), this);
    m_changes = new QTableWidget(0, 3, this);
    m_changes->setObjectName(QStringLiteral("modifiche"));
    m_changes->setHorizontalHeaderLabels(
        {QStringLiteral("Libro"), QStringLiteral("Campo"), QStringLiteral("Nuovo valore")});
    m_changes->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_changes->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_changes->verticalHeader()->hide();
    m_changes->horizontalHeader()->setStretchLastSection(true);
    m_changes->setTabKeyNavigation(false); // Tab goes on to the list and the buttons
    m_changes->setAccessibleName(QStringLiteral("Modifiche da scrivere"));
    m_changes->setAccessibleDescription(QStringLiteral("Ogni riga è un campo vuoto che sarà compilato; la barra "
                                                       "spaziatrice mette o toglie la spunta"));
    caption->setBuddy(m_changes);
    layout->addWidget(caption);
    layout->addWidget(m_changes, 1);
    connect(m_changes, &QTableWidget::itemChanged, this, [this] { updateWriteButton(); });

    auto* problemsCaption = new QLabel(QStringLiteral("&Libri e valori lasciati come sono:"), this);
    m_problems = new QListWidget(this);
    m_problems->setObjectName(QStringLiteral("esclusi"));
    m_problems->setAccessibleName(QStringLiteral("Libri e valori lasciati come sono"));
    problemsCaption->setBuddy(m_problems);
    layout->addWidget(problemsCaption);
    layout->addWidget(m_problems);

    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton* write = m_buttons->button(QDialogButtonBox::Ok);
    write->setText(QStringLiteral("&Scrivi"));
    write->setObjectName(QStringLiteral("scrivi"));
    write->setAccessibleName(QStringLiteral("Scrivi le modifiche spuntate"));
    QPushButton* cancel = m_buttons->button(QDialogButtonBox::Cancel);
    cancel->setText(QStringLiteral("Annulla"));
    cancel->setObjectName(QStringLiteral("annulla"));
    cancel->setAccessibleName(QStringLiteral("Annulla senza scrivere nulla"));
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(m_buttons);
    resize(640, 420);
    updateWriteButton();
}

void CompletionDialog::addBook(const catalogue::BookFill& fill, const QString& coverWords)
{
    const int book = static_cast<int>(m_books.size());
    m_books.push_back(fill);
    const QString label = text(fill.label);
    const auto addRow = [&](int field, const QString& name, const QString& value) {
        const int row = m_changes->rowCount();
        m_changes->insertRow(row);
        QTableWidgetItem* first = cell(label);
        first->setFlags(first->flags() | Qt::ItemIsUserCheckable);
        first->setCheckState(Qt::Checked);
        first->setData(bookRole, book);
        first->setData(fieldRole, field);
        first->setData(Qt::AccessibleTextRole, QStringLiteral("%1, %2: %3").arg(label, name, value));
        m_changes->setItem(row, 0, first);
        m_changes->setItem(row, 1, cell(name));
        m_changes->setItem(row, 2, cell(value));
    };
    for (std::size_t f = 0; f < fill.fields.size(); ++f)
        addRow(static_cast<int>(f), text(fill.fields[f].field), text(fill.fields[f].shown));
    if (fill.cover)
        addRow(-1, QStringLiteral("copertina"), coverWords);
    for (const catalogue::LeftOut& out : fill.leftOut)
        addProblem(QStringLiteral("%1, %2: «%3» non scritto, %4")
                       .arg(label, text(out.field), text(out.text), text(out.why)));
    if (m_changes->rowCount() > 0 && !m_changes->currentItem())
        m_changes->setCurrentCell(0, 0);
    updateWriteButton();
}

void CompletionDialog::addProblem(const QString& text)
{
    m_problems->addItem(text);
}

// The status is the line's description too, so a screen reader hears each change
// of it while the services answer.
void CompletionDialog::setStatus(const QString& text)
{
    m_status->setText(text);
    m_status->setAccessibleDescription(text);
}

void CompletionDialog::setFinished()
{
    m_finished = true;
    updateWriteButton();
}

int CompletionDialog::changeCount() const
{
    return m_changes->rowCount();
}

std::vector<catalogue::BookFill> CompletionDialog::chosen() const
{
    std::vector<catalogue::BookFill> books = m_books;
    for (catalogue::BookFill& book : books) {
        book.fields.clear();
        book.cover.reset();
    }
    for (int row = 0; row < m_changes->rowCount(); ++row) {
        const QTableWidgetItem* item = m_changes->item(row, 0);
        if (item->checkState() != Qt::Checked)
            continue;
        const auto book = static_cast<std::size_t>(item->data(bookRole).toInt());
        const int field = item->data(fieldRole).toInt();
        if (field < 0)
            books[book].cover = m_books[book].cover;
        else
            books[book].fields.push_back(m_books[book].fields[static_cast<std::size_t>(field)]);
    }
    std::erase_if(books, [](const catalogue::BookFill& book) { return !book.writesAnything(); });
    return books;
}

void CompletionDialog::updateWriteButton()
{
    bool anyTicked = false;
    for (int row = 0; row < m_changes->rowCount() && !anyTicked; ++row)
        anyTicked = m_changes->item(row, 0) && m_changes->item(row, 0)->checkState() == Qt::Checked;
    QPushButton* write = m_buttons->button(QDialogButtonBox::Ok);
    write->setEnabled(m_finished && anyTicked);
    write->setDefault(write->isEnabled());
}
