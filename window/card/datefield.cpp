// A date field of the card, typed as giorno/mese/anno or picked from a calendar;
// its text is what the grid shows and takes.
#include "datefield.h"

#include "fieldkind.h"

#include <QCalendarWidget>
#include <QDialog>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPointer>
#include <QToolButton>
#include <QVBoxLayout>

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

// The line takes the keyboard, so a screen reader hears the field's name there;
// the name is given to the field after it is made, and read here when it shows.
void DateField::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_line->setAccessibleName(accessibleName());
    m_calendarButton->setAccessibleName(accessibleName().isEmpty()
                                            ? QStringLiteral("Scegli dal calendario")
                                            : QStringLiteral("Scegli dal calendario: %1").arg(accessibleName()));
}

// The calendar opens on the date in the field, or today, in a popup window of its
// own: a screen reader meets it as a window holding the calendar, with the
// keyboard on its days (a widget inside a menu never reaches one).
void DateField::openCalendar()
{
    // Made on the heap and watched: the field may go while the calendar is open
    // (the card rebuilt under it), and the popup goes with it.
    const QPointer<QDialog> popup = new QDialog(this, Qt::Popup);
    popup->setAccessibleName(QStringLiteral("Scegli dal calendario"));
    auto* layout = new QVBoxLayout(popup);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* calendar = new QCalendarWidget(popup);
    calendar->setObjectName(QStringLiteral("calendario"));
    calendar->setAccessibleName(accessibleName().isEmpty() ? QStringLiteral("Calendario")
                                                           : QStringLiteral("Calendario: %1").arg(accessibleName()));
    calendar->setFirstDayOfWeek(Qt::Monday);
    calendar->setLocale(QLocale(QLocale::Italian, QLocale::Italy));
    const auto shown = readDate(m_line->text().toStdString());
    calendar->setSelectedDate(shown.value_or(QDate::currentDate()));
    layout->addWidget(calendar);
    QDate chosen;
    const auto choose = [dialog = popup.data(), &chosen](const QDate& date) {
        chosen = date;
        dialog->accept();
    };
    connect(calendar, &QCalendarWidget::activated, popup, choose);
    connect(calendar, &QCalendarWidget::clicked, popup, choose);
    popup->move(m_calendarButton->mapToGlobal(QPoint(0, m_calendarButton->height())));
    calendar->setFocus();
    const int result = popup->exec();
    if (!popup)
        return;
    delete popup.data();
    if (result == QDialog::Accepted && chosen.isValid())
        pick(chosen);
}
