// The program's start: Qt's own texts in Italian, the window on the catalogue beside
// the program, and the day's safety copy taken before any write of the run.
#include "copykeeper.h"
#include "frmdorvi.h"
#include "qtwindowservices.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
    QTranslator qtTranslation;
    if (qtTranslation.load(QLocale(QLocale::Italian), QStringLiteral("qtbase"), QStringLiteral("_"),
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&qtTranslation);

    QtWindowServices services;
    Frmdorvi window(services);
    services.setWindow(&window);
    window.show();
    // Before the first event of the run, so no write of this run precedes the day's copy.
    window.copies().atStart();
    return app.exec();
}
