#include "datefield.h"

#include "fieldkind.h"

#include <QCalendarWidget>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>
#include <QWidgetAction>

DateField::DateField(QWidget* parent) : QWidget(parent), m_line(new QLineEdit(this)), m_calendarButton(new QToolButton(this))
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    m_line->setPlaceholderText(QStringLiteral("g/m/aaaa"));
    row->addWidget(m_line, 1);
    m_calendarButton->setText(QStringLiteral("…"));
    m_calendarButton->setToolTip(QStringLiteral("Scegli dal calendario"));
    m_calendarButton->setAccessibleName(QStringLiteral("Scegli dal calendario"));
    row->addWidget(m_calendarButton);
    setFocusProxy(m_line);
    connect(m_calendarButton, &QToolButton::clicked, this, &DateField::openCalendar);
}

void DateField::setReadOnly(bool readOnly)
{
    m_line->setReadOnly(readOnly);
    m_calendarButton->setEnabled(!readOnly);
}

void DateField::pick(const QDate& date)
{
    m_line->setText(italianDate(date));
    emit picked();
}

// The calendar opens on the date in the field, or today.
void DateField::openCalendar()
{
    QMenu menu(this);
    auto* calendar = new QCalendarWidget(&menu);
    calendar->setFirstDayOfWeek(Qt::Monday);
    calendar->setLocale(QLocale(QLocale::Italian, QLocale::Italy));
    const auto shown = readDate(m_line->text().toStdString());
    calendar->setSelectedDate(shown.value_or(QDate::currentDate()));
    auto* action = new QWidgetAction(&menu);
    action->setDefaultWidget(calendar);
    menu.addAction(action);
    connect(calendar, &QCalendarWidget::activated, &menu, [this, &menu](const QDate& date) {
        menu.close();
        pick(date);
    });
    connect(calendar, &QCalendarWidget::clicked, &menu, [this, &menu](const QDate& date) {
        menu.close();
        pick(date);
    });
    menu.exec(m_calendarButton->mapToGlobal(QPoint(0, m_calendarButton->height())));
}
