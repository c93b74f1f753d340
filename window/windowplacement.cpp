// The window's place between runs: one rectangle (the normal, unmaximised client
// area) and one flag in the program's settings, written at the window's close.
#include "windowplacement.h"

#include <QApplication>
#include <QEvent>
#include <QScreen>
#include <QSettings>
#include <QWidget>

#include <algorithm>

namespace {

const QString geometryKey = QStringLiteral("finestra/posizione");
const QString maximisedKey = QStringLiteral("finestra/massimizzata");

QSettings programSettings()
{
    return QSettings(QStringLiteral("Dorvi"), QStringLiteral("Gestione Dorvi"));
}

QList<QRect> availableAreas()
{
    QList<QRect> areas;
    for (const QScreen* screen : QGuiApplication::screens())
        areas << screen->availableGeometry();
    return areas;
}

qint64 overlap(const QRect& one, const QRect& other)
{
    const QRect common = one.intersected(other);
    return common.isEmpty() ? 0 : qint64(common.width()) * common.height();
}

} // namespace

std::optional<QRect> placeOnScreens(const QRect& saved, const QList<QRect>& screens)
{
    if (!saved.isValid())
        return std::nullopt;
    const QRect* best = nullptr;
    qint64 bestOverlap = 0;
    for (const QRect& screen : screens) {
        if (const qint64 shared = overlap(saved, screen); shared > bestOverlap) {
            best = &screen;
            bestOverlap = shared;
        }
    }
    if (!best)
        return std::nullopt;
    QRect placed(saved.topLeft(), saved.size().boundedTo(best->size()));
    placed.moveLeft(std::clamp(placed.left(), best->left(), best->right() - placed.width() + 1));
    placed.moveTop(std::clamp(placed.top(), best->top(), best->bottom() - placed.height() + 1));
    return placed;
}

WindowPlacement::WindowPlacement(QWidget& window) : QObject(&window), m_window(window)
{
    restore();
    window.installEventFilter(this);
}

bool WindowPlacement::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &m_window && event->type() == QEvent::Close)
        save();
    return QObject::eventFilter(watched, event);
}

void WindowPlacement::restore()
{
    const QSettings settings = programSettings();
    if (const auto placed = placeOnScreens(settings.value(geometryKey).toRect(), availableAreas()))
        m_window.setGeometry(*placed);
    if (settings.value(maximisedKey, false).toBool())
        m_window.setWindowState(m_window.windowState() | Qt::WindowMaximized);
}

// The normal geometry is kept even when the window closes maximised, so that
// un-maximising it in the next run gives back the size the user had chosen; a
// window that was never anything but maximised keeps the size noted before.
void WindowPlacement::save() const
{
    if (!m_window.isVisible())
        return;
    QSettings settings = programSettings();
    const bool maximised = m_window.isMaximized();
    const QRect normal = maximised ? m_window.normalGeometry() : m_window.geometry();
    if (normal.isValid())
        settings.setValue(geometryKey, normal);
    settings.setValue(maximisedKey, maximised);
}
