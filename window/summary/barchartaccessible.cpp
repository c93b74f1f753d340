// The accessible side of the summary's bar chart: the chart as a list, each bar
// an item of it. A bar has no widget of its own, so its interface is registered
// with Qt by hand, made the first time a screen reader asks, and removed with the
// chart's interface.
#include "barchartaccessible.h"

#include "barchart.h"

#include <QAccessibleActionInterface>
#include <QPointer>
#include <QWindow>

namespace {

// A bar, pressed as a screen reader presses an item: its books are listed.
class BarAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    BarAccessible(BarChart* chart, int bar) : m_chart(chart), m_bar(bar) {}

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override
    {
        if (name == pressAction() && m_chart)
            m_chart->activate(m_bar);
    }
    QStringList keyBindingsForAction(const QString& name) const override
    {
        return name == pressAction() ? QStringList{QStringLiteral("Return")} : QStringList();
    }

    bool isValid() const override { return m_chart && m_bar < m_chart->bars(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return m_chart ? m_chart->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(m_chart.data()); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name && m_chart ? m_chart->barText(m_bar) : QString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override
    {
        if (!m_chart)
            return {};
        const QRect bar = m_chart->barRect(m_bar);
        return {m_chart->mapToGlobal(bar.topLeft()), bar.size()};
    }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override
    {
        QAccessible::State state;
        state.focusable = state.selectable = true;
        if (m_chart && m_chart->current() == m_bar) {
            state.selected = true;
            state.focused = m_chart->hasFocus();
        }
        if (m_chart && !m_chart->isVisible())
            state.invisible = true;
        return state;
    }

private:
    QPointer<BarChart> m_chart;
    int m_bar;
};

QAccessibleInterface* chartInterface(const QString&, QObject* object)
{
    if (auto* chart = dynamic_cast<BarChart*>(object))
        return new BarChartAccessible(chart);
    return nullptr;
}

} // namespace

BarChartAccessible::BarChartAccessible(BarChart* chart) : QAccessibleWidget(chart, QAccessible::List)
{
}

BarChartAccessible::~BarChartAccessible()
{
    for (const QAccessible::Id id : m_bars) {
        if (id != 0)
            QAccessible::deleteAccessibleInterface(id);
    }
}

void BarChartAccessible::install()
{
    static const bool installed = [] {
        QAccessible::installFactory(chartInterface);
        return true;
    }();
    (void)installed;
}

BarChart* BarChartAccessible::chart() const
{
    return static_cast<BarChart*>(widget());
}

int BarChartAccessible::childCount() const
{
    return chart()->bars();
}

QAccessibleInterface* BarChartAccessible::child(int index) const
{
    if (index < 0 || index >= chart()->bars())
        return nullptr;
    m_bars.resize(static_cast<std::size_t>(chart()->bars()), 0);
    QAccessible::Id& id = m_bars[static_cast<std::size_t>(index)];
    if (id == 0)
        id = QAccessible::registerAccessibleInterface(new BarAccessible(chart(), index));
    return QAccessible::accessibleInterface(id);
}

int BarChartAccessible::indexOfChild(const QAccessibleInterface* child) const
{
    for (std::size_t bar = 0; bar < m_bars.size(); ++bar) {
        if (m_bars[bar] != 0 && QAccessible::accessibleInterface(m_bars[bar]) == child)
            return static_cast<int>(bar);
    }
    return -1;
}

QAccessibleInterface* BarChartAccessible::focusChild() const
{
    return chart()->hasFocus() ? child(chart()->current()) : nullptr;
}

QAccessibleInterface* BarChartAccessible::childAt(int x, int y) const
{
    const QPoint local = chart()->mapFromGlobal(QPoint(x, y));
    return chart()->rect().contains(local) ? child(chart()->barAt(local.y())) : nullptr;
}
