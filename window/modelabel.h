#pragma once

#include <QLabel>

// The grid's mode in a word, below the grid: "Sola lettura" or "Modifica". A
// command that fails after "Gestione" has made the grid editable leaves the rows
// shown editable; the label keeps the user from being surprised by it.
class ModeLabel : public QLabel {
    Q_OBJECT
public:
    explicit ModeLabel(QWidget* parent = nullptr);
    void setEditing(bool editing);
};
