#pragma once

#include <QObject>

class ToolHost;

// "Informazioni su Gestione Dorvi" in the "Strumenti" menu.
class AboutTool : public QObject {
public:
    AboutTool(ToolHost& host, QObject* parent);

    void showAbout();

private:
    ToolHost& m_host;
};
