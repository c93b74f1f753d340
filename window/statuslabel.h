#pragma once

#include <QLabel>
#include <QPointer>

class ShownRowsModel;
struct RowsOnShow;

// The band below the grid, right of the mode label: how many books are on show
// ("19 libri", "1 libro"), after every command and as the rows change, and what
// the last command made of them ("19 libri esportati in …/catalogo.csv"), with no
// dialog to close. Until a command has shown a result it says how to begin. It
// gives way to the quick filter, which counts for itself.
class StatusLabel : public QLabel {
    Q_OBJECT
public:
    explicit StatusLabel(QWidget* parent = nullptr);

    // Counts the books of `shown`; a computed result (the count) is no list of books.
    // Shows the report of the command just ended, if any, beside.
    void showBooks(const RowsOnShow& shown);
    // Says, beside the count at the end of the command, that `books` books went to
    // the file at `path`. An empty path (the user cancelled) says nothing.
    void reportExport(std::size_t books, const QString& path);
    // Keeps the count up to date as the grid's rows change (an addition, a deletion).
    void follow(ShownRowsModel* view);
    // Hides this label while `filterBar` is on show over it.
    void giveWayTo(QWidget* filterBar);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void render();

    QString m_count;
    QString m_report;     ///< what the last command made of the rows
    QString m_nextReport; ///< the report of the command under way
    bool m_books = false; ///< whether the grid lists books, not a computed total
    bool m_started = false; ///< a command has shown a result: the first steps are said no more
    QPointer<ShownRowsModel> m_view;
};

// What the band says before the first result: where the catalogue is seen and changed.
extern const QString firstStepsText;
// "Nessun libro", "1 libro", "1.508 libri".
QString booksText(std::size_t books);
