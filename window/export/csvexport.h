#pragma once

class Progress;
class ReplacingFile;
struct RowsOnShow;

// Writes the rows on show as the CSV an Italian spreadsheet opens right with a
// double click: UTF-8 with a byte-order mark, `;`, CRLF, a heading line with the
// column names (see DelimitedText::spreadsheet and appendDocumentText). Returns
// false, having written only part, when the user cancels; throws Error when the
// file refuses the bytes.
bool writeSpreadsheet(const RowsOnShow& shown, ReplacingFile& file, Progress& progress);
