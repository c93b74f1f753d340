#pragma once

#include "importpreview.h"

#include <QDialog>

#include <functional>
#include <utility>
#include <vector>

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QTableWidget;

// Strumenti › "Importa…": what the file is, how a delimited file's headings fill
// the catalogue's columns, whether duplicates are added too, and the first books
// as they will be stored, duplicates named with the book they match, before
// anything is written. Every choice shows its preview again at once.
class ImportDialog : public QDialog {
public:
    // Makes the preview for a choice; throws catalogue::Error, whose text the
    // dialog shows in place of the preview (Importa is then refused).
    using Previewer = std::function<bookimport::ImportPreview(const bookimport::ImportOptions&)>;

    // `chosen`: the choices `first` was made with, shown in the lists.
    ImportDialog(const QString& source, const bookimport::ImportPreview& first, Previewer previewer,
                 QWidget* parent = nullptr, const bookimport::ImportOptions& chosen = {});

    // The choices made: --anche-doppioni and --campo as the dialog sets them.
    bookimport::ImportOptions options() const;

private:
    QWidget* makeMapping(const bookimport::ImportPreview& preview, const bookimport::ImportOptions& chosen);
    void showPreview(const bookimport::ImportPreview& preview);
    void previewAgain();

    Previewer m_previewer;
    bool m_previewing = false;
    bool m_previewPending = false;
    QLabel* m_kind;
    QCheckBox* m_duplicates;
    QTableWidget* m_table;
    QLabel* m_failure;
    QDialogButtonBox* m_buttons;
    std::vector<std::pair<std::string, QComboBox*>> m_mapping; ///< in the catalogue's order
};
