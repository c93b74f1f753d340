#pragma once

#include <QWidget>

class QToolButton;

// A rating as five stars: a click on the third gives three, a click on the rating
// already given takes it away; from the keyboard 1 to 5 give a rating, 0, Canc and
// Backspace take it away, and the arrows add or take one star.
class StarsField : public QWidget {
    Q_OBJECT
public:
    explicit StarsField(QWidget* parent = nullptr);

    int stars() const { return m_stars; } ///< 0 for no rating
    void setStars(int stars);             ///< shows it, tells nobody but a screen reader
    void setReadOnly(bool readOnly);
    bool isReadOnly() const { return m_readOnly; }
    // Gives `stars` (0 to 5, clamped) as a click would: nothing when read-only.
    void give(int stars);
    // "4 su 5", or "nessun voto" for 0.
    static QString starsText(int stars);

signals:
    // The user gave `stars` (0: took the rating away).
    void chosen(int stars);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void choose(int stars);

    QToolButton* m_buttons[5] = {};
    int m_stars = 0;
    bool m_readOnly = false;
};
