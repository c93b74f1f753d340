#pragma once

#include <QWidget>

class IsbnScan;
class QLabel;
class QListWidget;

// The list of a continuous scan: each ISBN with what became of it, under a line
// that counts them. Tab leaves it as any list.
class ScanList : public QWidget {
public:
    ScanList(const IsbnScan& scan, QWidget* parent = nullptr);

    QListWidget* list() const { return m_list; }
    // The entry of the scan under the cursor; -1 for none.
    int currentEntry() const;

private:
    void append(int index);
    void show(int index);

    const IsbnScan& m_scan;
    QLabel* m_summary;
    QListWidget* m_list;
};
