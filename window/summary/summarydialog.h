#pragma once

#include "librarysummary.h"

#include <QDialog>

#include <functional>
#include <optional>

// "Riepilogo": each count of the summary as a table and a bar chart, one under
// the other; "Salva PDF…" and "Stampa…" take it to paper. A click on a bar closes
// the window and leaves its books to be listed in the grid.
class SummaryDialog : public QDialog {
public:
    struct Commands {
        std::function<void()> savePdf;
        std::function<void()> print;
    };
    SummaryDialog(const catalogue::LibrarySummary& summary, Commands commands, QWidget* parent = nullptr);

    // The bar clicked, if the window closed on one.
    const std::optional<catalogue::SummaryCount>& chosen() const { return m_chosen; }
    void choose(const catalogue::SummaryCount& count);

private:
    QWidget* sectionWidget(const catalogue::SummarySection& section);

    std::optional<catalogue::SummaryCount> m_chosen;
};
