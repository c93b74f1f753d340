#pragma once

#include "fieldchanges.h"
#include "fieldcounting.h"
#include "fieldnames.h"

#include <QDialog>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class ColumnView;
class CopyKeeper;
class QComboBox;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QTreeWidget;
class WindowServices;
struct sqlite3;

namespace catalogue {
class History;
}

// "Campi": the catalogue's fields with their kind and the books holding a value,
// in the grid's order, each ticked while the grid shows it. Here a standard field
// is added by its tick, a field of one's own by a name and a kind; one's own are
// renamed; any but the first four removed, after a question and a safety copy;
// and the grid's columns hidden, shown and moved. Every change of the file is one
// step of the undo history. Questions and messages go through WindowServices;
// errors are shown here, where the user's action ends, and the dialog stays open.
class FieldsDialog : public QDialog {
public:
    struct Host {
        WindowServices& services;
        CopyKeeper& copies;
        std::shared_ptr<catalogue::History> history;
        QString cataloguePath;
        ColumnView* columns = nullptr;  ///< the grid's column setting; null for a grid without one
        // Lists the catalogue again, with its columns now; the undo history keeps
        // it, so it must outlive the dialog.
        std::function<void()> relist;
        // Tells the rest of the window, at once, that a change of the fields was
        // written here; none for a dialog on its own.
        std::function<void()> fieldsChanged = {};
    };

    explicit FieldsDialog(Host host, QWidget* parent = nullptr);

    // Whether the file's structure changed: the window then lists it again.
    bool changed() const { return m_changed; }
    // The fields as listed, in the grid's order, without their counts: those arrive
    // later, into the list on show.
    const std::vector<catalogue::FieldInfo>& fields() const { return m_fields; }

    // The user's actions, also for tests. Each returns whether it was done.
    bool addStandardField(const QString& name);
    bool addOwnField(const QString& name, catalogue::OwnKind kind);
    bool renameField(const QString& name);  ///< asks for the new name
    bool removeField(const QString& name);  ///< asks first
    void setShown(const QString& name, bool shown);
    void moveField(const QString& name, int steps);
    bool shown(const QString& name) const;

private:
    void buildList();
    void buildOwnFieldRow();
    void fill();
    void countInBackground();
    void showCounts(std::optional<FieldCounting::Counts> counts);
    QString countText(const std::string& name) const;
    template <typename Write>
    bool write(Write change);
    QString selectedName() const;

    Host m_host;
    std::vector<catalogue::FieldInfo> m_fields;
    // Counted in the background when the dialog opens (shown as "…" until they
    // arrive), then kept up to date by the changes made here.
    std::map<std::string, long long> m_counts;
    bool m_counted = false;     ///< the counts have arrived, or could not be made
    bool m_countFailed = false;
    QTreeWidget* m_list = nullptr;
    QListWidget* m_standard = nullptr;
    QLineEdit* m_name = nullptr;
    QComboBox* m_kind = nullptr;
    bool m_changed = false;
    bool m_filling = false;
    // Last, so it stops before anything it reports to goes.
    FieldCounting m_counting{[this](std::optional<FieldCounting::Counts> counts) { showCounts(std::move(counts)); }};
};
