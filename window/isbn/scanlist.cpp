// The list of the ISBNs of a continuous scan, each with what became of it.
#include "scanlist.h"

#include "isbnscan.h"

#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

ScanList::ScanList(const IsbnScan& scan, QWidget* parent) : QWidget(parent), m_scan(scan)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_summary = new QLabel(QStringLiteral("&Scansione:"), this);
    m_summary->setObjectName(QStringLiteral("riepilogoscansione"));
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("elencoisbn"));
    m_list->setAccessibleName(QStringLiteral("ISBN scansionati"));
    // Every line is one line of text: the list need not lay out all 500 again to
    // place one that changed (most of the window thread's time in a scan, measured).
    m_list->setUniformItemSizes(true);
    m_summary->setBuddy(m_list);
    layout->addWidget(m_summary);
    layout->addWidget(m_list, 1);
    connect(&scan, &IsbnScan::entryAdded, this, &ScanList::append);
    connect(&scan, &IsbnScan::entryChanged, this, &ScanList::show);
}

int ScanList::currentEntry() const
{
    const int row = m_list->currentRow();
    return row >= 0 && row < static_cast<int>(m_scan.entries().size()) ? row : -1;
}

void ScanList::append(int index)
{
    m_list->addItem(IsbnScan::entryText(m_scan.entries().at(static_cast<std::size_t>(index))));
    show(index);
}

void ScanList::show(int index)
{
    if (QListWidgetItem* item = m_list->item(index))
        item->setText(IsbnScan::entryText(m_scan.entries().at(static_cast<std::size_t>(index))));
    using State = IsbnScan::State;
    const QString summary =
        QStringLiteral("Scansione: %1 aggiunti, %2 doppioni, %3 non trovati, %4 con errori, %5 in attesa")
            .arg(m_scan.count(State::Added))
            .arg(m_scan.count(State::Duplicate))
            .arg(m_scan.count(State::NotFound))
            .arg(m_scan.count(State::NetworkError) + m_scan.count(State::NotWritten) + m_scan.count(State::Refused))
            .arg(m_scan.count(State::Waiting));
    m_summary->setText(QStringLiteral("&") + summary);
    m_list->setAccessibleDescription(summary);
}
