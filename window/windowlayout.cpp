// Each widget's place as designed is noted on the widget itself the first time the
// layout meets it, and every later place is computed from that one, so moving back
// and forth never drifts and turning the option off puts everything back.
#include "windowlayout.h"

#include <QAction>
#include <QEvent>
#include <QMenu>
#include <QScreen>
#include <QSettings>
#include <QTimer>
#include <QWidget>

namespace {

const char* designProperty = "dorviDesignGeometry";
const QString settingKey = QStringLiteral("finestra/grigliaATuttaFinestra");

QSettings programSettings()
{
    return QSettings(QStringLiteral("Dorvi"), QStringLiteral("Gestione Dorvi"));
}

QRect designGeometry(QWidget& widget)
{
    QVariant noted = widget.property(designProperty);
    if (!noted.isValid()) {
        noted = widget.geometry();
        widget.setProperty(designProperty, noted);
    }
    return noted.toRect();
}

} // namespace

WindowLayout::WindowLayout(QWidget& area, QSize designSize, QWidget& grid, QMenu& menu)
    : QObject(&area), m_area(area), m_designSize(designSize), m_grid(grid)
{
    m_option = menu.addAction(QStringLiteral("&Griglia a tutta finestra"));
    m_option->setObjectName(QStringLiteral("mnugriglia"));
    m_option->setCheckable(true);
    m_option->setChecked(programSettings().value(settingKey, false).toBool());
    connect(m_option, &QAction::toggled, this, [this](bool on) {
        programSettings().setValue(settingKey, on);
        apply();
    });
    designGeometry(grid);
    area.installEventFilter(this);
    apply();
}

bool WindowLayout::following() const
{
    return m_option->isChecked();
}

void WindowLayout::setFollowing(bool following)
{
    m_option->setChecked(following);
}

// A widget added to the band gets its place right after it is made, so its
// position is read once its maker has set it.
bool WindowLayout::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &m_area) {
        if (event->type() == QEvent::Resize)
            apply();
        else if (event->type() == QEvent::ChildAdded && following())
            QTimer::singleShot(0, this, &WindowLayout::apply);
    }
    return QObject::eventFilter(watched, event);
}

// With the option off nothing is touched, so whatever places the band's widgets
// as designed keeps doing so; turning it off puts back what following moved.
void WindowLayout::apply()
{
    if (!following() && !m_moved)
        return;
    m_moved = following();
    const QRect grid = designGeometry(m_grid);
    QRect placed = grid;
    if (following()) {
        const int right = m_designSize.width() - grid.right() - 1;
        const int bottom = m_designSize.height() - grid.bottom() - 1;
        placed.setWidth(std::max(m_area.width() - grid.left() - right, 120));
        placed.setHeight(std::max(m_area.height() - grid.top() - bottom, 80));
    }
    m_grid.setGeometry(placed);
    const auto across = [&](int x) { return grid.left() + (x - grid.left()) * placed.width() / grid.width(); };
    for (QWidget* widget : m_area.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (widget == &m_grid || widget->isWindow())
            continue;
        const QRect design = designGeometry(*widget);
        const int left = across(design.left());
        widget->setGeometry(left, design.top() + placed.height() - grid.height(),
                            across(design.right() + 1) - left, design.height());
    }
}

void fitOnScreen(QWidget& window)
{
    if (const QScreen* screen = window.screen())
        window.resize(window.size().boundedTo(screen->availableGeometry().size()));
}
