#pragma once

#include <QDate>
#include <QObject>

class ToolHost;

namespace catalogue {
struct LibrarySummary;
}

// "Riepilogo" in the "Strumenti" menu: the window of counts, its PDF and print,
// and the books of a bar listed in the grid.
class SummaryTools : public QObject {
public:
    SummaryTools(ToolHost& host, QObject* parent);

    void showSummary();

private:
    void savePdf(const catalogue::LibrarySummary& summary);
    void print(const catalogue::LibrarySummary& summary);

    ToolHost& m_host;
};
