// The summary's bar chart on screen, and the painting of bars its printed pages share.
#include "barchart.h"

#include "barchartaccessible.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace {

QString booksText(std::int64_t books)
{
    return books == 1 ? QStringLiteral("1 libro")
                      : QStringLiteral("%1 libri").arg(QLocale(QLocale::Italian, QLocale::Italy)
                                                          .toString(static_cast<qlonglong>(books)));
}

} // namespace

BarChart::BarChart(std::vector<catalogue::SummaryCount> counts, QWidget* parent)
    : QWidget(parent), m_counts(std::move(counts)), m_scale(scaleOf(m_counts))
{
    BarChartAccessible::install();
    setFocusPolicy(Qt::StrongFocus);
    setMinimumHeight(static_cast<int>(m_counts.size()) * barHeight);
    setCursor(Qt::PointingHandCursor);
    setToolTip(QStringLiteral("Clic su una barra (o Invio) per elencarne i libri nella griglia"));
}

QSize BarChart::sizeHint() const
{
    return {520, static_cast<int>(m_counts.size()) * barHeight};
}

std::int64_t BarChart::scaleOf(const std::vector<catalogue::SummaryCount>& counts)
{
    std::int64_t most = 1;
    for (const catalogue::SummaryCount& count : counts) {
        if (!count.apart)
            most = std::max(most, count.books);
    }
    return most;
}

// The books without a value get their number but no bar: the largest count
// measures the bars, and a thousand blank genres would make hairlines of the rest.
void BarChart::paintBars(QPainter& painter, const QRectF& area, const std::vector<catalogue::SummaryCount>& counts,
                         double barHeight, std::int64_t scale, int focused)
{
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
        const double share =
            std::min(1.0, static_cast<double>(counts[i].books) / static_cast<double>(std::max<std::int64_t>(1, scale)));
        QRectF bar(area.left() + labelWidth, top + barHeight * 0.15, std::max(1.0, barSpace * share), barHeight * 0.7);
        if (counts[i].apart)
            bar.setWidth(0);
        else
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

QString BarChart::barText(int bar) const
{
    if (bar < 0 || bar >= bars())
        return {};
    const catalogue::SummaryCount& count = m_counts[static_cast<std::size_t>(bar)];
    return QStringLiteral("%1: %2").arg(QString::fromStdString(count.label), booksText(count.books));
}

QRect BarChart::barRect(int bar) const
{
    return {0, bar * barHeight, width(), barHeight};
}

void BarChart::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paintBars(painter, rect(), m_counts, barHeight, m_scale, hasFocus() ? m_current : -1);
}

void BarChart::mousePressEvent(QMouseEvent* event)
{
    activate(barAt(event->position().y()));
}

void BarChart::activate(int bar)
{
    if (bar < 0 || bar >= bars())
        return;
    moveTo(bar);
    choose(bar);
}

void BarChart::keyPressEvent(QKeyEvent* event)
{
    const int last = static_cast<int>(m_counts.size()) - 1;
    switch (event->key()) {
    case Qt::Key_Up:
        moveTo(std::max(0, m_current - 1));
        return;
    case Qt::Key_Down:
        moveTo(std::min(last, m_current + 1));
        return;
    case Qt::Key_Home:
        moveTo(0);
        return;
    case Qt::Key_End:
        moveTo(std::max(0, last));
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        choose(m_current);
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void BarChart::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    tellCurrent();
}

void BarChart::moveTo(int bar)
{
    if (bar == m_current)
        return;
    m_current = bar;
    update();
    tellCurrent();
}

// The bar reached is the list's focused item: a screen reader says it at once.
void BarChart::tellCurrent()
{
    if (!hasFocus() || m_current < 0 || m_current >= bars())
        return;
    QAccessibleEvent focus(this, QAccessible::Focus);
    focus.setChild(m_current);
    QAccessible::updateAccessibility(&focus);
}

void BarChart::choose(int bar)
{
    if (bar >= 0 && bar < static_cast<int>(m_counts.size()) && m_onChosen)
        m_onChosen(m_counts[static_cast<std::size_t>(bar)]);
}
