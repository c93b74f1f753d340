#pragma once

class CataloguePages;
class QPrinter;

// Paints the printed list on `printer` as the print dialog left it. Printing to a
// PDF file ("Scrivi file PDF") replaces the file whole or not at all, like Esporta
// PDF…: the pages go to a temporary file in the same folder, renamed over the
// chosen one only once they are all written. The preview is painted as it is.
// Throws Error, in Italian, when the file or the printer refused the pages; an
// old file of that name is then left as it was.
void printPages(CataloguePages& pages, QPrinter& printer);
