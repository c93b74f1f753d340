#pragma once

#include <QObject>
#include <QString>

#include <optional>

class ToolHost;

// Strumenti → "Scheda del libro" (Ctrl+I), and a double click on a row's selector
// in the grid: the card of the current book, over the window's own grid.
class CardTool : public QObject {
    Q_OBJECT
public:
    CardTool(ToolHost& host, QObject* parent);

    // Opens the card on the grid's current row; nothing without a grid of rows.
    void open();

private:
    std::optional<QString> typedValue(const QString& column, const QString& typed);

    ToolHost& m_host;
};
