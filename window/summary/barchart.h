#pragma once

#include "librarysummary.h"

#include <QWidget>

#include <functional>
#include <vector>

class QPainter;

// A count of the summary as horizontal bars, drawn with QPainter: the label on the
// left, a bar as long as its share of the scale, the number after it. A click on a
// bar (or Enter on the current one) tells which. A screen reader meets it as a list
// of its bars (BarChartAccessible), told of the current bar as the arrows move.
class BarChart : public QWidget {
public:
    explicit BarChart(std::vector<catalogue::SummaryCount> counts, QWidget* parent = nullptr);

    void setOnChosen(std::function<void(const catalogue::SummaryCount&)> onChosen) { m_onChosen = std::move(onChosen); }
    // The count a full bar stands for: the largest, the books without a value left out.
    static std::int64_t scaleOf(const std::vector<catalogue::SummaryCount>& counts);
    // Draws the bars in `area` with the painter's font, a bar of `scale` books as
    // long as the room allows; shared with the printed pages.
    static void paintBars(QPainter& painter, const QRectF& area, const std::vector<catalogue::SummaryCount>& counts,
                          double barHeight, std::int64_t scale, int focused = -1);
    // The bar under `y` in a chart of `barHeight` bars; -1 for none.
    int barAt(double y) const;
    QSize sizeHint() const override;

    int bars() const { return static_cast<int>(m_counts.size()); }
    int current() const { return m_current; }
    // "Giallo: 38 libri", as a screen reader says the bar.
    QString barText(int bar) const;
    QRect barRect(int bar) const;
    // Makes `bar` the current one and lists its books, as a click on it does.
    void activate(int bar);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    void choose(int bar);
    void moveTo(int bar);
    void tellCurrent();

    std::vector<catalogue::SummaryCount> m_counts;
    std::int64_t m_scale;
    std::function<void(const catalogue::SummaryCount&)> m_onChosen;
    int m_current = 0;
    static constexpr int barHeight = 22;
};
