#pragma once

#include <QDate>
#include <QObject>
#include <QString>

#include <cstddef>

class ToolHost;

namespace catalogue {
struct LibrarySummary;
struct SummaryCount;
struct SummarySection;
}

// "Riepilogo" in the "Strumenti" menu: the window of counts, its PDF and print,
// and the books of a bar listed in the grid.
class SummaryTools : public QObject {
public:
    SummaryTools(ToolHost& host, QObject* parent);

    void showSummary();
    // What the line under the grid says of `books` listed for `count`.
    static QString listedText(const catalogue::SummarySection& section, const catalogue::SummaryCount& count,
                              std::size_t books);

private:
    void list(const catalogue::SummarySection& section, const catalogue::SummaryCount& count);
    void savePdf(const catalogue::LibrarySummary& summary);
    void print(const catalogue::LibrarySummary& summary);

    ToolHost& m_host;
};
