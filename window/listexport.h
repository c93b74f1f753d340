#pragma once

#include <QDate>

class WindowServices;
struct RowsOnShow;

#include <QString>

// The commands that take the list on show out of the program: each asks where (or
// shows the print dialog), reports its progress and can be cancelled; a file is
// written whole or not at all. Each throws Error when the file cannot be written.
// The exports return the path written, or the empty text when nothing was.
QString exportSpreadsheet(WindowServices& services, const RowsOnShow& shown);
QString exportPdf(WindowServices& services, const RowsOnShow& shown, QDate today);
void printList(WindowServices& services, const RowsOnShow& shown, QDate today);
