// The summary's window: its tables, its charts and the buttons that print it.
#include "summarydialog.h"

#include "barchart.h"
#include "listreturnkey.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

constexpr int tallestTable = 300;

// A table as tall as its rows up to `tallestTable`: a short one needs no scroll bar.
void fitHeight(QTableWidget* table)
{
    const int rows = table->verticalHeader()->length();
    const int height = table->horizontalHeader()->sizeHint().height() + rows + 2 * table->frameWidth();
    if (height <= tallestTable) {
        table->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        table->setFixedHeight(height);
    } else {
        table->setFixedHeight(tallestTable);
    }
}

} // namespace

SummaryDialog::SummaryDialog(const catalogue::LibrarySummary& summary, Commands commands, QWidget* parent)
    : QDialog(parent), m_summary(summary), m_commands(std::move(commands))
{
    setObjectName(QStringLiteral("SummaryDialog"));
    setWindowTitle(QStringLiteral("Riepilogo"));
    resize(860, 640);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Libri nel catalogo: %1")
                                     .arg(QLocale(QLocale::Italian, QLocale::Italy)
                                              .toString(static_cast<qlonglong>(summary.books)))));
    auto* body = new QWidget;
    auto* sections = new QVBoxLayout(body);
    for (const catalogue::SummarySection& section : m_summary.sections)
        sections->addWidget(sectionWidget(section));
    sections->addStretch();
    // The area only scrolls: the keyboard goes to the tables and charts inside it,
    // and the area follows the one reached.
    auto* scroll = new QScrollArea(this);
    scroll->setWidget(body);
    scroll->setWidgetResizable(true);
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setAccessibleName(QStringLiteral("Conteggi del catalogo"));
    layout->addWidget(scroll);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* save = buttons->addButton(QStringLiteral("&Salva PDF…"), QDialogButtonBox::ActionRole);
    save->setObjectName(QStringLiteral("salvapdf"));
    QPushButton* print = buttons->addButton(QStringLiteral("Sta&mpa…"), QDialogButtonBox::ActionRole);
    print->setObjectName(QStringLiteral("stampa"));
    QPushButton* close = buttons->addButton(QStringLiteral("&Chiudi"), QDialogButtonBox::RejectRole);
    connect(save, &QPushButton::clicked, this, [run = m_commands.savePdf] { if (run) run(); });
    connect(print, &QPushButton::clicked, this, [run = m_commands.print] { if (run) run(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    (m_first ? m_first : close)->setFocus();
}

QTableWidget* SummaryDialog::countTable(const catalogue::SummarySection& section, QWidget* parent)
{
    auto* table = new QTableWidget(static_cast<int>(section.counts.size()), 2, parent);
    table->setHorizontalHeaderLabels({QStringLiteral("Voce"), QStringLiteral("Libri")});
    table->verticalHeader()->hide();
    table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    table->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    // Tab leaves the table for the next control; the arrows move inside it.
    table->setTabKeyNavigation(false);
    table->setAccessibleName(QString::fromStdString(section.title));
    const QLocale italian(QLocale::Italian, QLocale::Italy);
    for (int row = 0; row < table->rowCount(); ++row) {
        const catalogue::SummaryCount& count = section.counts[static_cast<std::size_t>(row)];
        auto* label = new QTableWidgetItem(QString::fromStdString(count.label));
        label->setToolTip(label->text());
        table->setItem(row, 0, label);
        auto* books = new QTableWidgetItem(italian.toString(static_cast<qlonglong>(count.books)));
        books->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        table->setItem(row, 1, books);
    }
    table->setCurrentCell(0, 0);
    table->setMinimumWidth(260);
    fitHeight(table);
    ListReturnKey::keep(table);
    connect(table, &QTableWidget::activated, this, [this, &section](const QModelIndex& index) {
        if (index.row() >= 0 && static_cast<std::size_t>(index.row()) < section.counts.size())
            choose(section, section.counts[static_cast<std::size_t>(index.row())]);
    });
    return table;
}

QWidget* SummaryDialog::sectionWidget(const catalogue::SummarySection& section)
{
    auto* box = new QWidget;
    auto* layout = new QVBoxLayout(box);
    auto* title = new QLabel(QStringLiteral("<b>%1</b>").arg(QString::fromStdString(section.title).toHtmlEscaped()));
    layout->addWidget(title);
    if (!section.missing.empty()) {
        auto* missing = new QLabel(QStringLiteral("Il catalogo non ha il campo «%1»: si aggiunge da Strumenti → "
                                                  "Campi….")
                                       .arg(QString::fromStdString(section.missing)));
        missing->setObjectName(QStringLiteral("campomancante"));
        missing->setTextFormat(Qt::PlainText);
        layout->addWidget(missing);
        return box;
    }
    if (section.counts.empty()) {
        layout->addWidget(new QLabel(QStringLiteral("Nessun libro.")));
        return box;
    }
    auto* row = new QHBoxLayout;
    QTableWidget* table = countTable(section, box);
    row->addWidget(table, 0, Qt::AlignTop);
    auto* chart = new BarChart(section.counts, box);
    chart->setAccessibleName(QString::fromStdString(section.title));
    chart->setOnChosen([this, &section](const catalogue::SummaryCount& count) { choose(section, count); });
    row->addWidget(chart, 1);
    layout->addLayout(row);
    if (!m_first)
        m_first = table;
    return box;
}

void SummaryDialog::choose(const catalogue::SummarySection& section, const catalogue::SummaryCount& count)
{
    if (m_commands.list)
        m_commands.list(section, count);
}
