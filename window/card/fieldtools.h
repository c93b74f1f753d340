#pragma once

#include <QObject>

class ToolHost;

// Strumenti → "Campi…": the dialog of the catalogue's fields, and the grid's
// column setting it keeps (which columns show, in which order), applied to every
// result the grid shows.
class FieldTools : public QObject {
public:
    FieldTools(ToolHost& host, QObject* parent);

    void openFields();

private:
    void relistChangedFields();

    ToolHost& m_host;
};
