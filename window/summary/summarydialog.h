#pragma once

#include "librarysummary.h"

#include <QDialog>

#include <functional>

class QTableWidget;

// "Riepilogo": each count of the summary as a table and a bar chart, one under
// the other; "Salva PDF…" and "Stampa…" take it to paper. A click on a bar (or
// Return on a row of a table) lists its books in the grid, and the window stays
// open for the next one.
class SummaryDialog : public QDialog {
public:
    struct Commands {
        std::function<void()> savePdf;
        std::function<void()> print;
        std::function<void(const catalogue::SummarySection&, const catalogue::SummaryCount&)> list;
    };
    SummaryDialog(const catalogue::LibrarySummary& summary, Commands commands, QWidget* parent = nullptr);

    // Lists the books of `count`, one of `section`'s, as a click on its bar does.
    void choose(const catalogue::SummarySection& section, const catalogue::SummaryCount& count);

private:
    QWidget* sectionWidget(const catalogue::SummarySection& section);
    QTableWidget* countTable(const catalogue::SummarySection& section, QWidget* parent);

    catalogue::LibrarySummary m_summary; ///< what the tables and bars refer to
    Commands m_commands;
    QWidget* m_first = nullptr; ///< where the keyboard starts
};
