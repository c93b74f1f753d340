#pragma once

#include <QList>
#include <QObject>
#include <QRect>

#include <optional>

class QWidget;

// The window's size, place and maximised state, noted in the program's settings
// when the window closes and given back when the next run makes it. With nothing
// noted the window keeps the size it was made with, and the window manager places it.
class WindowPlacement : public QObject {
    Q_OBJECT
public:
    // Puts `window`, not yet shown, where the last run left it; lives as its child.
    explicit WindowPlacement(QWidget& window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void restore();
    void save() const;

    QWidget& m_window;
};

// Where a window last seen at `saved` goes now, among screens whose available
// areas are `screens`: on the screen it overlapped most, shrunk to fit it and
// moved wholly onto it. Nothing when it overlaps none (a screen since removed,
// a resolution since lowered), so that no window is ever restored out of reach.
std::optional<QRect> placeOnScreens(const QRect& saved, const QList<QRect>& screens);
