#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <vector>

class QHeaderView;
class QTableView;

// Which columns the grid shows, and in which order: a view setting the user makes
// in "Campi", kept per catalogue in the program's settings, never in the file.
// Columns the setting does not name (added since, by the program or another)
// are shown, after the named ones, in the table's order.
struct ColumnLayout {
    QStringList order;  ///< column names, first shown first
    QStringList hidden; ///< column names, letter case of ASCII letters ignored, as the engine does

    // The columns of a result (`columns`, the table's order) as shown: each with
    // whether it is on show, in the order shown.
    struct Placed {
        QString name;
        bool shown;
    };
    std::vector<Placed> arrange(const QStringList& columns) const;

    // The layout kept for the catalogue at `path`; empty when none.
    static ColumnLayout load(const QString& path);
    void save(const QString& path) const;
};

// Applies the catalogue's layout to `view` after every result bound and every
// reset of its rows (which may give the heading its sections anew).
class ColumnView : public QObject {
public:
    ColumnView(QTableView& view, QString cataloguePath);

    // The view's ColumnView, if one was made for it.
    static ColumnView* of(QTableView& view);

    ColumnLayout layout() const { return ColumnLayout::load(m_path); }
    // Keeps the layout and shows it at once.
    void setLayout(const ColumnLayout& layout);
    void apply();

private:
    void follow();

    QTableView& m_view;
    QString m_path;
    QObject* m_followed = nullptr; ///< the model whose resets are followed
};

// The settings group that holds the column setting of the catalogue at `path`.
QString columnSettingsGroup(const QString& path);

// The logical columns of a heading in the order shown, hidden ones left out:
// what exports, the printed list and copying take.
std::vector<int> shownColumns(const QHeaderView& header);
// Of `columns`, each once, those the heading shows, in the order it shows them.
std::vector<int> inShownOrder(const std::vector<int>& columns, const QHeaderView& header);
