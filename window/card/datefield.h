#pragma once

#include <QWidget>

class QCalendarWidget;
class QLineEdit;
class QToolButton;

// A date typed as giorno/mese/anno, or picked from a calendar; empty for none.
// The text is what the grid shows and takes, so the model reads it as it reads
// a cell typed.
class DateField : public QWidget {
    Q_OBJECT
public:
    explicit DateField(QWidget* parent = nullptr);

    QLineEdit* line() const { return m_line; }
    // Picks `date` as the calendar does: the text becomes it and `picked` is told.
    void pick(const QDate& date);
    void setReadOnly(bool readOnly);

signals:
    void picked();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void openCalendar();

    QLineEdit* m_line;
    QToolButton* m_calendarButton;
};
