#pragma once

#include "safetycopies.h"

#include <QDialog>

#include <optional>
#include <thread>
#include <vector>

class CopyKeeper;
class QPushButton;
class QTreeWidget;
class WindowServices;

// "Copie di sicurezza": the copies of the catalogue, newest first, with their date
// and time, books and size; from here one is restored, saved elsewhere, or the
// folder is shown in the desktop's file manager.
class CopiesDialog : public QDialog {
public:
    CopiesDialog(WindowServices& services, CopyKeeper& keeper, QWidget* parent = nullptr);

    // Whether a copy took the catalogue's place: the window then lists it.
    bool restored() const { return m_restored; }

    // The buttons' commands, on the copy selected.
    void restoreSelected();
    void saveSelected();
    void openFolder();

private:
    void fill();
    void countInBackground();
    void showCount(int generation, int row, std::optional<long long> books);
    void restoreWithProgress(const catalogue::SafetyCopies& copies, const catalogue::SafetyCopy& copy);
    std::optional<catalogue::SafetyCopy> selected() const;

    WindowServices& m_services;
    CopyKeeper& m_keeper;
    std::vector<catalogue::SafetyCopy> m_copies;
    QTreeWidget* m_list = nullptr;
    QPushButton* m_restore = nullptr;
    QPushButton* m_save = nullptr;
    bool m_restored = false;
    int m_generation = 0; ///< counts arriving for an earlier filling of the list are dropped
    std::jthread m_counting; ///< last, so it stops before anything it reports to goes
};
