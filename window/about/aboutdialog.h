#pragma once

#include <QDialog>
#include <QString>

class QFormLayout;

// "Informazioni su Gestione Dorvi": the program's version and licence, where its
// catalogue is and how large, and the versions of Qt and SQLite it runs on.
// Each fact can be read with the keyboard and by a screen reader, and "Copia"
// puts them all on the clipboard, for a message asking for help.
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    AboutDialog(const QString& cataloguePath, QWidget* parent = nullptr);

    // The facts as lines of "name: value", as "Copia" gives them.
    QString facts() const { return m_facts; }

private:
    void addFact(QFormLayout& form, const QString& name, const QString& value);

    QString m_facts;
};

// "308 libri · 1,2 MB"; what is known when the file cannot be read as a catalogue,
// and "il file non c'è" when it is missing.
QString catalogueSizeText(const QString& path);
