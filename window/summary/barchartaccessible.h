#pragma once

#include <QAccessibleWidget>

#include <vector>

class BarChart;

// A bar chart as a screen reader meets it: a list named as its count ("Per
// genere") whose items are the bars, each read with its label and books ("Giallo:
// 38 libri"); the chart's current bar is the focused and selected item.
class BarChartAccessible : public QAccessibleWidget {
public:
    explicit BarChartAccessible(BarChart* chart);
    ~BarChartAccessible() override;

    // Makes Qt build this interface for every BarChart; once is enough.
    static void install();

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* focusChild() const override;
    QAccessibleInterface* childAt(int x, int y) const override;

private:
    BarChart* chart() const;

    // The bars' interfaces, made when first asked for; Qt's registry owns them
    // until this interface goes.
    mutable std::vector<QAccessible::Id> m_bars;
};
