#pragma once

#include <QTreeWidget>

#include <cstdint>

// A book's loans, oldest first: to whom, from when, until when ("in prestito"
// while out). The card shows it; it reads the catalogue each time it is told
// which book to show, and an unreadable file leaves it empty with the reason.
class LoanHistoryList : public QTreeWidget {
public:
    explicit LoanHistoryList(QWidget* parent = nullptr);

    void showBook(const QString& cataloguePath, std::int64_t iddorvo);
};
