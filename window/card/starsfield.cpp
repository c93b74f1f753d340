// The card's star rating: five buttons a click or a key fills, read as a slider.
#include "starsfield.h"

#include "starsaccessible.h"

#include <QAccessible>

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QToolButton>

#include <algorithm>

StarsField::StarsField(QWidget* parent) : QWidget(parent)
{
    StarsAccessible::install();
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    for (int star = 1; star <= 5; ++star) {
        auto* button = new QToolButton(this);
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setAccessibleName(star == 1 ? QStringLiteral("1 stella") : QStringLiteral("%1 stelle").arg(star));
        connect(button, &QToolButton::clicked, this, [this, star] { choose(star == m_stars ? 0 : star); });
        row->addWidget(button);
        m_buttons[star - 1] = button;
    }
    row->addStretch();
    setFocusPolicy(Qt::StrongFocus);
    setStars(0);
}

void StarsField::setStars(int stars)
{
    m_stars = stars;
    for (int star = 1; star <= 5; ++star)
        m_buttons[star - 1]->setText(star <= stars ? QStringLiteral("★") : QStringLiteral("☆"));
    setAccessibleDescription(starsText(stars));
    QAccessibleValueChangeEvent changed(this, stars);
    QAccessible::updateAccessibility(&changed);
}

QString StarsField::starsText(int stars)
{
    return stars == 0 ? QStringLiteral("nessun voto") : QStringLiteral("%1 su 5").arg(stars);
}

void StarsField::give(int stars)
{
    choose(std::clamp(stars, 0, 5));
}

void StarsField::setReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
    for (QToolButton* button : m_buttons)
        button->setEnabled(!readOnly);
}

void StarsField::choose(int stars)
{
    if (m_readOnly)
        return;
    setStars(stars);
    emit chosen(stars);
}

void StarsField::keyPressEvent(QKeyEvent* event)
{
    const QString text = event->text();
    if (text.size() == 1 && text[0] >= QLatin1Char('0') && text[0] <= QLatin1Char('5'))
        choose(text[0].digitValue());
    else if (event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace)
        choose(0);
    else if (event->key() == Qt::Key_Right || event->key() == Qt::Key_Up)
        choose(std::min(m_stars + 1, 5));
    else if (event->key() == Qt::Key_Left || event->key() == Qt::Key_Down)
        choose(std::max(m_stars - 1, 0));
    else
        QWidget::keyPressEvent(event);
}
