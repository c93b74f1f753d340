#pragma once

#include <QDate>

class WindowServices;
struct RowsOnShow;

// The commands that take the list on show out of the program: each asks where (or
// shows the print dialog), reports its progress and can be cancelled; a file is
// written whole or not at all. Each throws Error when the file cannot be written.
void exportSpreadsheet(WindowServices& services, const RowsOnShow& shown);
void exportPdf(WindowServices& services, const RowsOnShow& shown, QDate today);
void printList(WindowServices& services, const RowsOnShow& shown, QDate today);
