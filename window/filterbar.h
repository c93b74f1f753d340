#pragma once

#include <QPointer>
#include <QWidget>

class DataGrid;
class QLabel;
class QLineEdit;
class ShownRowsModel;

// The quick filter under the grid: a field that filters the rows on show as the
// user types, and how many books are shown of how many. Esc clears it and closes
// it; so does the next data command, through the grid's row map.
class FilterBar : public QWidget {
    Q_OBJECT
public:
    FilterBar(DataGrid& grid, QWidget* parent = nullptr);

    // Shows the field with its text selected and the keyboard in it.
    void open();
    // Clears the filter and hides the field; the keyboard goes back to the grid.
    void dismiss();

    QLineEdit* field() const { return m_field; }
    QString countText() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void nameClearButton();
    ShownRowsModel* view();
    void filter(const QString& text);
    void showCount();
    void prepareInIdleTime();

    DataGrid& m_grid;
    QLineEdit* m_field;
    QLabel* m_count;
    QPointer<ShownRowsModel> m_view; ///< the grid's row map once bound; its signals are connected once
};
