#include "summarydialog.h"

#include "barchart.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QScrollArea>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QTableWidget* countTable(const catalogue::SummarySection& section, QWidget* parent)
{
    auto* table = new QTableWidget(static_cast<int>(section.counts.size()), 2, parent);
    table->setHorizontalHeaderLabels({QStringLiteral("Voce"), QStringLiteral("Libri")});
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setAccessibleName(QString::fromStdString(section.title));
    const QLocale italian(QLocale::Italian, QLocale::Italy);
    for (int row = 0; row < table->rowCount(); ++row) {
        const catalogue::SummaryCount& count = section.counts[static_cast<std::size_t>(row)];
        table->setItem(row, 0, new QTableWidgetItem(QString::fromStdString(count.label)));
        auto* books = new QTableWidgetItem(italian.toString(static_cast<qlonglong>(count.books)));
        books->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        table->setItem(row, 1, books);
    }
    table->resizeColumnsToContents();
    table->setMinimumWidth(260);
    table->setMaximumHeight(std::min(300, 30 + 24 * table->rowCount()));
    return table;
}

} // namespace

SummaryDialog::SummaryDialog(const catalogue::LibrarySummary& summary, Commands commands, QWidget* parent)
    : QDialog(parent)
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
    for (const catalogue::SummarySection& section : summary.sections)
        sections->addWidget(sectionWidget(section));
    sections->addStretch();
    auto* scroll = new QScrollArea(this);
    scroll->setWidget(body);
    scroll->setWidgetResizable(true);
    layout->addWidget(scroll);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* save = buttons->addButton(QStringLiteral("&Salva PDF…"), QDialogButtonBox::ActionRole);
    save->setObjectName(QStringLiteral("salvapdf"));
    QPushButton* print = buttons->addButton(QStringLiteral("Sta&mpa…"), QDialogButtonBox::ActionRole);
    print->setObjectName(QStringLiteral("stampa"));
    buttons->addButton(QStringLiteral("&Chiudi"), QDialogButtonBox::RejectRole);
    connect(save, &QPushButton::clicked, this, [run = commands.savePdf] { if (run) run(); });
    connect(print, &QPushButton::clicked, this, [run = commands.print] { if (run) run(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
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
    row->addWidget(countTable(section, box));
    auto* chart = new BarChart(section.counts, box);
    chart->setAccessibleName(QString::fromStdString(section.title));
    chart->setOnChosen([this](const catalogue::SummaryCount& count) { choose(count); });
    row->addWidget(chart, 1);
    layout->addLayout(row);
    return box;
}

void SummaryDialog::choose(const catalogue::SummaryCount& count)
{
    m_chosen = count;
    accept();
}
