#pragma once

#include <string>
#include <string_view>

#include "value.h"

// Lines of fields as spreadsheets exchange them, built as UTF-8. A field that would
// break its line or its neighbours is quoted, with its inner quotes doubled, so a
// spreadsheet reads back the same cells; control characters without a glyph are
// written as their visible marks (see withVisibleControls).
class DelimitedText {
public:
    struct Dialect {
        char separator;
        std::string_view lineEnd;
        // Whether any quote calls for quoting, or only a quote that opens the field
        // (which a spreadsheet would otherwise take for an opening quote).
        bool quoteEveryQuote;
        // Whether text a spreadsheet would run as a formula gets a leading apostrophe.
        bool guardFormulas;
    };
    // Tab-separated lines, as the clipboard carries cells between programs: the
    // text as it is, since what is pasted is what the user copied.
    static const Dialect clipboard;
    // The CSV an Italian spreadsheet opens right: `;` and CRLF. A text that opens
    // with `=`, `+`, `-`, `@`, a tab or a carriage return, and is not a plain number,
    // starts with an apostrophe, so that no title becomes a live formula (a link,
    // a web request, a call to another program) when the file is opened; so does
    // one that already opens with an apostrophe before such a character, so the
    // import gives back exactly the text (see needsFormulaGuard).
    static const Dialect spreadsheet;

    explicit DelimitedText(const Dialect& dialect) : m_dialect(dialect) {}

    void addText(std::string_view utf8);
    // The cell as a document shows it (see appendDocumentText).
    void addValue(const catalogue::Value& value);
    void endLine();

    // The text built so far; the caller may take it away and go on adding.
    std::string& bytes() { return m_bytes; }

private:
    void startField();
    bool needsQuotes(std::string_view utf8) const;
    bool opensFormula(std::string_view utf8) const;

    Dialect m_dialect;
    std::string m_bytes;
    bool m_lineStarted = false;
};
