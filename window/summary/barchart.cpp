#include "barchart.h"

#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

BarChart::BarChart(std::vector<catalogue::SummaryCount> counts, QWidget* parent)
    : QWidget(parent), m_counts(std::move(counts))
{
    setFocusPolicy(Qt::StrongFocus);
    setMinimumHeight(static_cast<int>(m_counts.size()) * barHeight);
    setCursor(Qt::PointingHandCursor);
    setToolTip(QStringLiteral("Clic su una barra (o Invio) per elencarne i libri nella griglia"));
}

QSize BarChart::sizeHint() const
{
    return {520, static_cast<int>(m_counts.size()) * barHeight};
}

void BarChart::paintBars(QPainter& painter, const QRectF& area, const std::vector<catalogue::SummaryCount>& counts,
                         double barHeight, int focused)
{
    std::int64_t most = 1;
    for (const catalogue::SummaryCount& count : counts)
        most = std::max(most, count.books);
    const double labelWidth = area.width() * 0.35;
    const double numberWidth = painter.fontMetrics().horizontalAdvance(QStringLiteral("0000000")) * 1.0;
    const double barSpace = std::max(1.0, area.width() - labelWidth - numberWidth);
    painter.save();
    for (std::size_t i = 0; i < counts.size(); ++i) {
        const double top = area.top() + static_cast<double>(i) * barHeight;
        const QRectF label(area.left(), top, labelWidth - 6, barHeight);
        painter.setPen(Qt::black);
        painter.drawText(label, Qt::AlignVCenter | Qt::AlignRight,
                         painter.fontMetrics().elidedText(QString::fromStdString(counts[i].label), Qt::ElideRight,
                                                          static_cast<int>(label.width())));
        const double length = barSpace * static_cast<double>(counts[i].books) / static_cast<double>(most);
        const QRectF bar(area.left() + labelWidth, top + barHeight * 0.15, std::max(1.0, length), barHeight * 0.7);
        painter.fillRect(bar, static_cast<int>(i) == focused ? QColor(0x1f, 0x5f, 0xaf) : QColor(0x4a, 0x90, 0xd9));
        painter.drawText(QRectF(bar.right() + 4, top, numberWidth, barHeight), Qt::AlignVCenter | Qt::AlignLeft,
                         QLocale(QLocale::Italian).toString(static_cast<qlonglong>(counts[i].books)));
    }
    painter.restore();
}

int BarChart::barAt(double y) const
{
    const int bar = static_cast<int>(y / barHeight);
    return y >= 0 && bar < static_cast<int>(m_counts.size()) ? bar : -1;
}

void BarChart::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paintBars(painter, rect(), m_counts, barHeight, hasFocus() ? m_focused : -1);
}

void BarChart::mousePressEvent(QMouseEvent* event)
{
    choose(barAt(event->position().y()));
}

void BarChart::keyPressEvent(QKeyEvent* event)
{
    const int last = static_cast<int>(m_counts.size()) - 1;
    switch (event->key()) {
    case Qt::Key_Up:
        m_focused = std::max(0, m_focused - 1);
        update();
        return;
    case Qt::Key_Down:
        m_focused = std::min(last, m_focused + 1);
        update();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        choose(m_focused);
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void BarChart::choose(int bar)
{
    if (bar >= 0 && bar < static_cast<int>(m_counts.size()) && m_onChosen)
        m_onChosen(m_counts[static_cast<std::size_t>(bar)]);
}
