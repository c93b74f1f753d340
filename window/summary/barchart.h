#pragma once

#include "librarysummary.h"

#include <QWidget>

#include <functional>
#include <vector>

class QPainter;

// A count of the summary as horizontal bars, drawn with QPainter: the label on the
// left, a bar as long as its share of the largest count, the number after it. A
// click on a bar (or Enter on the focused one) tells which.
class BarChart : public QWidget {
public:
    explicit BarChart(std::vector<catalogue::SummaryCount> counts, QWidget* parent = nullptr);

    void setOnChosen(std::function<void(const catalogue::SummaryCount&)> onChosen) { m_onChosen = std::move(onChosen); }
    // Draws the bars in `area` with the painter's font; shared with the printed pages.
    static void paintBars(QPainter& painter, const QRectF& area, const std::vector<catalogue::SummaryCount>& counts,
                          double barHeight, int focused = -1);
    // The bar under `y` in a chart of `barHeight` bars; -1 for none.
    int barAt(double y) const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void choose(int bar);

    std::vector<catalogue::SummaryCount> m_counts;
    std::function<void(const catalogue::SummaryCount&)> m_onChosen;
    int m_focused = 0;
    static constexpr int barHeight = 22;
};
