// The accessible side of the card's star rating: a slider with its value in words.
#include "starsaccessible.h"

#include "starsfield.h"

namespace {

QAccessibleInterface* starsInterface(const QString& key, QObject* object)
{
    if (key == QLatin1String("StarsField"))
        return new StarsAccessible(static_cast<StarsField*>(object));
    return nullptr;
}

} // namespace

StarsAccessible::StarsAccessible(StarsField* stars) : QAccessibleWidget(stars, QAccessible::Slider)
{
}

void StarsAccessible::install()
{
    static const bool installed = [] {
        QAccessible::installFactory(starsInterface);
        return true;
    }();
    (void)installed;
}

StarsField* StarsAccessible::stars() const
{
    return static_cast<StarsField*>(widget());
}

void* StarsAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::ValueInterface)
        return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QString StarsAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Value)
        return StarsField::starsText(stars()->stars());
    return QAccessibleWidget::text(t);
}

QAccessible::State StarsAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.readOnly = stars()->isReadOnly();
    return state;
}

QVariant StarsAccessible::currentValue() const
{
    return stars()->stars();
}

void StarsAccessible::setCurrentValue(const QVariant& value)
{
    stars()->give(value.toInt());
}
