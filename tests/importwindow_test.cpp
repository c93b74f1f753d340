// Strumenti › "Importa…" on scripted window services: the dialog's mapping and
// preview before anything is written, the import as one step of Annulla and
// Ripeti, and failures midway leaving the catalogue as it was.
#include "history.h"
#include "importdialog.h"
#include "importreportdialog.h"
#include "jettestdata.h"
#include "offwindowread.h"
#include "windowonfakes.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTableWidget>
#include <QTimer>

#include <fstream>
#include <thread>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

using Rows = std::vector<std::vector<std::string>>;

// A spreadsheet's CSV whose headings name only one column: the others are
// mapped in the dialog. Its second book is the catalogue's own Manzoni.
const char* const spreadsheet = "autore;Opera;Codice;Scaffale\n"
                                "Italo Calvino;Il barone rampante;0131103628;A1\n"
                                "alessandro manzoni;I PROMESSI SPOSI;;A2\n"
                                "Primo Levi;Se questo è un uomo;;B1\n"
                                "Natalia Ginzburg;Lessico famigliare;;B2\n";

class ImportWindow : public ::testing::Test {
protected:
    ImportWindow()
    {
        // The mappings another test chose are not this one's.
        QSettings(QStringLiteral("Dorvi"), QStringLiteral("Gestione Dorvi")).remove(QStringLiteral("importazione"));
        std::ofstream(csv) << spreadsheet;
        w.services.fileAnswers.push_back(QString::fromStdString(csv));
    }

    // Runs Importa… with the dialog played by `play`, which may accept it.
    void runImport(std::function<void(ImportDialog&)> play)
    {
        w.services.dialogScript = [this, play](QDialog& dialog) {
            if (auto* report = dynamic_cast<ImportReportDialog*>(&dialog))
                reports.push_back(report->text());
            else
                play(dynamic_cast<ImportDialog&>(dialog));
        };
        w.trigger("mnuimporta");
    }

    static void choose(ImportDialog& dialog, const char* column, const QString& heading)
    {
        auto* list = dialog.findChild<QComboBox*>(QStringLiteral("campo_") + column);
        ASSERT_NE(list, nullptr) << column;
        list->setCurrentText(heading);
    }

    static void accept(ImportDialog& dialog)
    {
        dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    }

    // The dialog as the user fills it: titolo from "Opera", isbn from "Codice".
    static void mapAndAccept(ImportDialog& dialog)
    {
        choose(dialog, "titolo", QStringLiteral("Opera"));
        choose(dialog, "isbn", QStringLiteral("Codice"));
        accept(dialog);
    }

    std::string books() const { return w.catalogue.scalar("SELECT count(*) FROM dorvi"); }

    WindowOnFakes w;
    QStringList reports;
    std::string csv = w.catalogue.folder().toStdString() + "/libri.csv";
};

std::vector<std::string> tableRow(const QTableWidget& table, int row)
{
    std::vector<std::string> cells;
    for (int c = 0; c < table.columnCount(); ++c)
        cells.push_back(table.item(row, c) ? table.item(row, c)->text().toStdString() : std::string());
    return cells;
}

} // namespace

// The preview follows every choice and shows the values as stored (the ISBN-10
// as its ISBN-13), the duplicate named with the book it matches; nothing is in
// the file until Importa, and then exactly what the preview showed.
TEST_F(ImportWindow, DialogMapsHeadingsAndPreviewsBeforeWriting)
{
    const std::string before = books();
    std::vector<std::string> kinds, headingsFirst, afterMapping, duplicateNote, keptNote;
    std::string booksDuringDialog;
    runImport([&](ImportDialog& dialog) {
        kinds.push_back(dialog.findChild<QLabel*>(QStringLiteral("kind"))->text().toStdString());
        auto* table = dialog.findChild<QTableWidget*>(QStringLiteral("anteprima"));
        for (int c = 0; c < table->columnCount(); ++c)
            headingsFirst.push_back(table->horizontalHeaderItem(c)->text().toStdString());
        choose(dialog, "titolo", QStringLiteral("Opera"));
        choose(dialog, "isbn", QStringLiteral("Codice"));
        ASSERT_EQ(table->rowCount(), 4);
        afterMapping = tableRow(*table, 0);
        duplicateNote = tableRow(*table, 1);
        dialog.findChild<QCheckBox*>(QStringLiteral("doppioni"))->setChecked(true);
        keptNote = tableRow(*table, 1);
        dialog.findChild<QCheckBox*>(QStringLiteral("doppioni"))->setChecked(false);
        booksDuringDialog = books();
        accept(dialog);
    });
    ASSERT_TRUE(w.services.errors.empty()) << w.services.errors.front().description();
    EXPECT_EQ(kinds, (std::vector<std::string>{"libri.csv: testo delimitato (;)"}));
    EXPECT_EQ(headingsFirst, (std::vector<std::string>{"Origine", "autore", "Nota"}));
    EXPECT_EQ(booksDuringDialog, before) << "the preview wrote nothing";
    ASSERT_EQ(afterMapping.size(), 5u);
    EXPECT_EQ(afterMapping[1], "Italo Calvino");
    EXPECT_EQ(afterMapping[2], "Il barone rampante");
    EXPECT_EQ(afterMapping[3], "9780131103627");
    EXPECT_NE(duplicateNote[4].find("doppione di «Alessandro Manzoni», «I promessi sposi» (iddorvo 1): non aggiunto"),
              std::string::npos)
        << duplicateNote[4];
    EXPECT_NE(keptNote[4].find("aggiunto lo stesso"), std::string::npos) << keptNote[4];

    EXPECT_EQ(w.catalogue.rows("SELECT autore, titolo, isbn FROM dorvi WHERE iddorvo > 5 ORDER BY iddorvo"),
              (Rows{{"Italo Calvino", "Il barone rampante", "9780131103627"},
                    {"Primo Levi", "Se questo è un uomo", "NULL"},
                    {"Natalia Ginzburg", "Lessico famigliare", "NULL"}}));
    ASSERT_EQ(reports.size(), 1);
    EXPECT_NE(reports[0].indexOf(QStringLiteral("Libri letti: 4; aggiunti: 3; doppioni non aggiunti: 1")), -1)
        << reports[0].toStdString();
    EXPECT_NE(reports[0].indexOf(QStringLiteral("riga 3 («alessandro manzoni», «I PROMESSI SPOSI»): doppione di")), -1)
        << reports[0].toStdString();
    EXPECT_EQ(w.grid.dataSource->rowCount(), 8u) << "the grid is listed again";
}

// A file that is no list of books: the engine's message, no dialog, nothing written.
TEST_F(ImportWindow, BadInputIsToldAndWritesNothing)
{
    const std::string sheet = w.catalogue.folder().toStdString() + "/libri.xlsx";
    std::ofstream(sheet, std::ios::binary) << std::string("PK\x03\x04", 4) << "[Content_Types].xml xl/workbook.xml";
    w.services.fileAnswers = {QString::fromStdString(sheet)};
    runImport([](ImportDialog& dialog) { accept(dialog); });
    EXPECT_EQ(w.services.dialogsRun, 0);
    ASSERT_EQ(w.services.errors.size(), 1u);
    EXPECT_NE(w.services.errors[0].description().find("CSV"), std::string::npos)
        << w.services.errors[0].description();
    EXPECT_EQ(books(), "5");
}

// Annulla takes the whole import back and Ripeti does it again, each one step,
// the catalogue's own books untouched.
TEST_F(ImportWindow, ImportIsOneStepOfUndoAndRedo)
{
    w.trigger("mnuop");
    const Rows original = w.catalogue.rows("SELECT * FROM dorvi ORDER BY iddorvo");
    runImport(mapAndAccept);
    const Rows imported = w.catalogue.rows("SELECT * FROM dorvi ORDER BY iddorvo");
    ASSERT_EQ(imported.size(), 8u);
    EXPECT_EQ(w.window.history()->undoText(), "importazione di 3 libri");

    w.trigger("mnuannulla");
    ASSERT_TRUE(w.services.errors.empty()) << w.services.errors.front().description();
    EXPECT_EQ(w.catalogue.rows("SELECT iddorvo, autore, titolo, genere FROM dorvi ORDER BY iddorvo"), original);
    EXPECT_EQ(w.grid.dataSource->rowCount(), 5u);
    EXPECT_FALSE(w.window.history()->canUndo());

    w.trigger("mnuripeti");
    ASSERT_TRUE(w.services.errors.empty()) << w.services.errors.front().description();
    EXPECT_EQ(w.catalogue.rows("SELECT * FROM dorvi ORDER BY iddorvo"), imported) << "the same books, the same keys";
    EXPECT_EQ(w.grid.dataSource->rowCount(), 8u);
}

// A book another program changed since the import refuses the undo: nothing is
// removed, and the step stays to be tried again.
TEST_F(ImportWindow, UndoRefusedWhenAnImportedBookChangedSince)
{
    w.trigger("mnuop");
    runImport(mapAndAccept);
    w.catalogue.exec("UPDATE dorvi SET note = 'letto in treno' WHERE titolo = 'Lessico famigliare'");
    w.trigger("mnuannulla");
    ASSERT_EQ(w.services.errors.size(), 1u);
    EXPECT_NE(w.services.errors[0].description().find("Lessico famigliare"), std::string::npos)
        << w.services.errors[0].description();
    EXPECT_EQ(books(), "8");
    EXPECT_TRUE(w.window.history()->canUndo());
}

// Another program reading the catalogue holds its lock through the import's
// commit, and then through the undo's: each fails with the file as it was.
TEST_F(ImportWindow, LockByAnotherProgramLeavesTheCatalogueAsItWas)
{
    w.trigger("mnuop");
    const Rows original = w.catalogue.rows("SELECT * FROM dorvi ORDER BY iddorvo");
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(w.catalogue.path().c_str(), &other), SQLITE_OK);
    const auto hold = [&] {
        ASSERT_EQ(sqlite3_exec(other, "BEGIN; SELECT count(*) FROM dorvi;", nullptr, nullptr, nullptr), SQLITE_OK);
    };
    const auto release = [&] { sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr); };
    runImport([&](ImportDialog& dialog) {
        mapAndAccept(dialog);
        hold(); // after the preview, before the import writes
    });
    release();
    ASSERT_EQ(w.services.errors.size(), 1u);
    EXPECT_EQ(w.catalogue.rows("SELECT * FROM dorvi ORDER BY iddorvo"), original);
    EXPECT_FALSE(w.window.history()->canUndo());

    w.services.fileAnswers.push_back(QString::fromStdString(csv));
    runImport(mapAndAccept);
    ASSERT_EQ(books(), "8");
    const Rows imported = w.catalogue.rows("SELECT * FROM dorvi ORDER BY iddorvo");
    hold();
    w.trigger("mnuannulla");
    release();
    ASSERT_EQ(w.services.errors.size(), 2u);
    EXPECT_EQ(w.catalogue.rows("SELECT * FROM dorvi ORDER BY iddorvo"), imported);
    EXPECT_TRUE(w.window.history()->canUndo());
    w.trigger("mnuannulla");
    EXPECT_EQ(books(), "5");
    sqlite3_close(other);
}

// Annulla in the progress stops a long import: nothing of it is in the file, and
// there is nothing to take back. The progress counts the file's lines.
TEST_F(ImportWindow, CancelledImportWritesNothing)
{
    {
        std::ofstream out(csv);
        out << "autore;titolo\n";
        for (int i = 1; i <= 2500; ++i)
            out << "Autore " << i << ";Libro " << i << "\n";
    }
    w.services.cancelAt = 1000;
    runImport(accept);
    EXPECT_TRUE(w.services.errors.empty());
    EXPECT_EQ(w.services.progressTotals, (std::vector<qint64>{2501}));
    EXPECT_EQ(books(), "5");
    EXPECT_EQ(w.catalogue.scalar("SELECT count(*) FROM pragma_table_info('dorvi')"), "4") << "no column added";
    EXPECT_TRUE(reports.isEmpty());
    EXPECT_FALSE(w.window.history()->canUndo());
}

// Another catalogue of the program is a list like the others, its keys assigned
// anew.
TEST_F(ImportWindow, AnotherCatalogue)
{
    TestCatalogue other({{"Elsa Morante", "La Storia", "Romanzo"}, {"Alessandro Manzoni", "I promessi sposi", ""}});
    w.services.fileAnswers = {QString::fromStdString(other.path())};
    std::vector<std::string> kinds;
    runImport([&](ImportDialog& dialog) {
        kinds.push_back(dialog.findChild<QLabel*>(QStringLiteral("kind"))->text().toStdString());
        accept(dialog);
    });
    EXPECT_EQ(kinds, (std::vector<std::string>{"dorvi.mdb: catalogo di Gestione Dorvi"}));
    EXPECT_EQ(w.catalogue.rows("SELECT iddorvo, autore, titolo, genere FROM dorvi WHERE iddorvo > 5"),
              (Rows{{"6", "Elsa Morante", "La Storia", "Romanzo"}}));
}

// An Access file is converted by dorvi-import beside the program, which must be
// there; its message (here: no books table) is shown, nothing written. The
// Access file comes from the shared test data, outside the project.
TEST_F(ImportWindow, AccessNeedsTheImporterBesideTheProgram)
{
    SKIP_WITHOUT_JET_FILES();
    const QString jetFile = QString::fromStdString((jetTestData() / "testV1997.mdb").string());
    w.services.fileAnswers = {jetFile, jetFile};
    runImport(accept);
    ASSERT_EQ(w.services.errors.size(), 1u);
    EXPECT_NE(w.services.errors[0].description().find("serve dorvi-import accanto al programma"), std::string::npos)
        << w.services.errors[0].description();
    ASSERT_TRUE(QFile::link(QStringLiteral(DORVI_IMPORT), w.catalogue.folder() + "/dorvi-import"));
    runImport(accept);
    ASSERT_EQ(w.services.errors.size(), 2u);
    EXPECT_NE(w.services.errors[1].description().find("testV1997.mdb» non ha la tabella dorvi"), std::string::npos)
        << w.services.errors[1].description();
    EXPECT_EQ(w.services.dialogsRun, 0) << "neither import got as far as its dialog";
    EXPECT_EQ(books(), "5");
}

// Every text the dialog shows, for what it must never say.
QString shownTexts(const ImportDialog& dialog)
{
    QString all;
    for (const auto* label : dialog.findChildren<QLabel*>())
        all += label->text() + QLatin1Char('\n');
    return all;
}

// A spreadsheet in English: no heading is a field's name. The dialog opens all
// the same, with its lists, says what is missing, and never speaks of the command
// line; once the title is chosen the books are previewed and imported.
TEST_F(ImportWindow, HeadingsNamingNoFieldAreMappedInTheDialog)
{
    std::ofstream(csv) << "title;author;year\nIl barone rampante;Italo Calvino;1957\nLa tregua;Primo Levi;1963\n";
    QString before, after, listed;
    bool importBefore = true, importAfter = false;
    int rowsAfter = 0;
    std::vector<std::string> asRead;
    runImport([&](ImportDialog& dialog) {
        before = shownTexts(dialog);
        asRead = tableRow(*dialog.findChild<QTableWidget*>(QStringLiteral("anteprima")), 1);
        importBefore = dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->isEnabled();
        auto* titles = dialog.findChild<QComboBox*>(QStringLiteral("campo_titolo"));
        ASSERT_NE(titles, nullptr);
        for (int i = 0; i < titles->count(); ++i)
            listed += titles->itemText(i) + QLatin1Char('|');
        choose(dialog, "titolo", QStringLiteral("title"));
        choose(dialog, "autore", QStringLiteral("author"));
        after = shownTexts(dialog);
        importAfter = dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->isEnabled();
        rowsAfter = dialog.findChild<QTableWidget*>(QStringLiteral("anteprima"))->rowCount();
        accept(dialog);
    });
    ASSERT_TRUE(w.services.errors.empty()) << w.services.errors.front().description();
    EXPECT_EQ(listed, QStringLiteral("(secondo l'intestazione)|title|author|year|"));
    EXPECT_NE(before.indexOf(QStringLiteral("scegliere almeno il titolo")), -1) << before.toStdString();
    EXPECT_NE(before.indexOf(QStringLiteral("libri.csv: testo delimitato (;)")), -1) << before.toStdString();
    EXPECT_FALSE(importBefore) << "nothing to import yet";
    EXPECT_EQ(asRead, (std::vector<std::string>{"riga 3", "La tregua", "Primo Levi", "1963", ""}))
        << "the records as they stand, to choose by";
    EXPECT_EQ(after.indexOf(QStringLiteral("scegliere almeno")), -1) << after.toStdString();
    EXPECT_TRUE(importAfter);
    EXPECT_EQ(rowsAfter, 2);
    EXPECT_EQ(w.catalogue.rows("SELECT autore, titolo FROM dorvi WHERE iddorvo > 5 ORDER BY iddorvo"),
              (Rows{{"Italo Calvino", "Il barone rampante"}, {"Primo Levi", "La tregua"}}));
    ASSERT_EQ(reports.size(), 1);
    EXPECT_NE(reports[0].indexOf(QStringLiteral("Colonna «year» non importata")), -1) << reports[0].toStdString();
    for (const QString& text : {before, after, reports[0]})
        EXPECT_EQ(text.indexOf(QStringLiteral("--campo")), -1) << text.toStdString();
}

// The next export of the same source opens mapped as it was last imported; a
// file with other headings does not, and emptying the lists forgets the mapping.
TEST_F(ImportWindow, TheLastMappingIsKeptForTheSameHeadings)
{
    const auto write = [&](const char* text) { std::ofstream(csv) << text; };
    write("title;author;year\nIl barone rampante;Italo Calvino;1957\n");
    runImport([&](ImportDialog& dialog) {
        choose(dialog, "titolo", QStringLiteral("title"));
        choose(dialog, "autore", QStringLiteral("author"));
        choose(dialog, "anno", QStringLiteral("year"));
        accept(dialog);
    });
    ASSERT_EQ(books(), "6");

    write("title;author;year\nLa tregua;Primo Levi;1963\n");
    w.services.fileAnswers.push_back(QString::fromStdString(csv));
    QString mappedTitle;
    int rows = 0;
    runImport([&](ImportDialog& dialog) {
        mappedTitle = dialog.findChild<QComboBox*>(QStringLiteral("campo_titolo"))->currentText();
        rows = dialog.findChild<QTableWidget*>(QStringLiteral("anteprima"))->rowCount();
        accept(dialog); // nothing chosen by hand
    });
    EXPECT_EQ(mappedTitle, QStringLiteral("title"));
    EXPECT_EQ(rows, 1);
    EXPECT_EQ(w.catalogue.rows("SELECT autore, titolo, anno FROM dorvi WHERE iddorvo = 7"),
              (Rows{{"Primo Levi", "La tregua", "1963"}}));

    write("Title;author;year\nSe questo è un uomo;Primo Levi;1947\n"); // another heading: another source
    w.services.fileAnswers.push_back(QString::fromStdString(csv));
    runImport([&](ImportDialog& dialog) {
        mappedTitle = dialog.findChild<QComboBox*>(QStringLiteral("campo_titolo"))->currentText();
        dialog.reject();
    });
    EXPECT_EQ(mappedTitle, QStringLiteral("(secondo l'intestazione)"));

    write("title;author;year\nSe questo è un uomo;Primo Levi;1947\n");
    w.services.fileAnswers.push_back(QString::fromStdString(csv));
    runImport([&](ImportDialog& dialog) {
        for (const char* column : {"titolo", "autore", "anno"})
            choose(dialog, column, QStringLiteral("(secondo l'intestazione)"));
        dialog.reject(); // not imported: the mapping stays as it was
    });
    w.services.fileAnswers.push_back(QString::fromStdString(csv));
    runImport([&](ImportDialog& dialog) {
        mappedTitle = dialog.findChild<QComboBox*>(QStringLiteral("campo_titolo"))->currentText();
        dialog.reject();
    });
    EXPECT_EQ(mappedTitle, QStringLiteral("title"));
    EXPECT_TRUE(w.services.errors.empty());
}

// An old Mac spreadsheet ends its lines in a carriage return alone: its books are
// read one a line in the window too, and the progress counts them.
TEST_F(ImportWindow, AnOldMacSpreadsheetIsReadLineByLine)
{
    std::ofstream(csv) << "autore;titolo\rGrazia Deledda;Canne al vento\rLuigi Capuana;Il marchese di Roccaverdina\r";
    int rows = 0;
    runImport([&](ImportDialog& dialog) {
        rows = dialog.findChild<QTableWidget*>(QStringLiteral("anteprima"))->rowCount();
        accept(dialog);
    });
    ASSERT_TRUE(w.services.errors.empty()) << w.services.errors.front().description();
    EXPECT_EQ(rows, 2);
    EXPECT_EQ(w.services.progressTotals, (std::vector<qint64>{3}));
    EXPECT_EQ(w.catalogue.rows("SELECT titolo FROM dorvi WHERE iddorvo > 5 ORDER BY iddorvo"),
              (Rows{{"Canne al vento"}, {"Il marchese di Roccaverdina"}}));
}

// Another program's trigger that takes back the transaction at the fifth book of
// thirty: opening Importa… (its preview a trial rolled back) and ticking the
// duplicates write nothing, and the import itself is refused whole, with no step
// left to undo. A trigger that leaves a book out has it counted as refused.
TEST_F(ImportWindow, AnotherProgramsTriggerLeavesTheCatalogueAsItWas)
{
    std::string list = "autore;titolo\n";
    for (int n = 1; n <= 30; ++n)
        list += "Autore " + std::to_string(n) + ";" + (n == 5 ? std::string("STOP") : "Libro " + std::to_string(n)) + "\n";
    std::ofstream(csv, std::ios::trunc) << list;
    w.trigger("mnuop");
    w.catalogue.exec("CREATE TRIGGER stopper BEFORE INSERT ON dorvi WHEN new.titolo = 'STOP' "
                     "BEGIN SELECT RAISE(ROLLBACK, 'vietato'); END");
    const auto everything = [&] { return w.catalogue.rows("SELECT * FROM dorvi ORDER BY iddorvo"); };
    const Rows before = everything();
    runImport([](ImportDialog& dialog) { accept(dialog); });
    ASSERT_EQ(w.services.errors.size(), 1u);
    EXPECT_NE(w.services.errors[0].description().find("«vietato»"), std::string::npos)
        << w.services.errors[0].description();
    EXPECT_EQ(everything(), before);
    EXPECT_FALSE(w.window.history()->canUndo());
    EXPECT_TRUE(reports.isEmpty());

    w.catalogue.exec("DROP TRIGGER stopper; CREATE TRIGGER stopper BEFORE INSERT ON dorvi WHEN new.titolo = 'STOP' "
                     "BEGIN SELECT RAISE(IGNORE); END");
    w.services.errors.clear();
    w.services.fileAnswers.push_back(QString::fromStdString(csv));
    std::string booksDuringDialog;
    runImport([&](ImportDialog& dialog) {
        dialog.findChild<QCheckBox*>(QStringLiteral("doppioni"))->setChecked(true);
        booksDuringDialog = books();
        accept(dialog);
    });
    ASSERT_TRUE(w.services.errors.empty()) << w.services.errors.front().description();
    EXPECT_EQ(booksDuringDialog, "5");
    EXPECT_EQ(books(), "34");
    ASSERT_EQ(reports.size(), 1);
    EXPECT_NE(reports[0].indexOf(QStringLiteral("Libri letti: 30; aggiunti: 29;")), -1) << reports[0].toStdString();
    EXPECT_EQ(w.window.history()->undoText(), "importazione di 29 libri");
}

namespace {

// Says the user's Annulla at its `cancelAt`-th report, counting them.
class CountedProgress : public Progress {
public:
    CountedProgress(int cancelAt, int& reports) : m_cancelAt(cancelAt), m_reports(reports) {}
    bool advance(qint64) override { return ++m_reports < m_cancelAt; }

private:
    int m_cancelAt;
    int& m_reports;
};

} // namespace

// A read that would never end runs beside the window: the window's events go on
// (a timer fires meanwhile), and Annulla in its progress ends it.
TEST(ReadOffWindow, TheWindowGoesOnAndAnnullaEndsAnEndlessRead)
{
    bool timerFired = false;
    QTimer::singleShot(0, [&] { timerFired = true; });
    int reports = 0;
    bool workSawStop = false;
    const bool done = readOffWindow(
        [&](const std::atomic<bool>& stop, const auto&) {
            while (!stop)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            workSawStop = true;
        },
        [&] { return std::make_unique<CountedProgress>(5, reports); }, 0);
    EXPECT_FALSE(done);
    EXPECT_TRUE(workSawStop);
    EXPECT_TRUE(timerFired);
    EXPECT_EQ(reports, 5);
}

// A count told waits for the window, so an Annulla at that count stops the work
// before its next book; a quick read makes no progress at all, and what a read
// throws reaches the window's thread.
TEST(ReadOffWindow, CountsWaitForTheWindowAndFailuresComeBack)
{
    int reports = 0;
    std::uint64_t lastTold = 0;
    EXPECT_FALSE(readOffWindow(
        [&](const std::atomic<bool>& stop, const std::function<void(std::uint64_t)>& tell) {
            for (std::uint64_t read = 1; !stop; ++read) {
                tell(read);
                lastTold = read;
            }
        },
        [&] { return std::make_unique<CountedProgress>(3, reports); }, 0));
    EXPECT_EQ(lastTold, 3u) << "Annulla answered the third count: no book after it";

    int made = 0;
    EXPECT_TRUE(readOffWindow([](const std::atomic<bool>&, const auto&) {},
                              [&] {
                                  ++made;
                                  return std::make_unique<CountedProgress>(1, reports);
                              },
                              60'000));
    EXPECT_EQ(made, 0);
    try {
        readOffWindow([](const std::atomic<bool>&, const auto&) {
            throw catalogue::Error(catalogue::ErrorNumber::Locked, "bloccato");
        }, [&] { return std::make_unique<CountedProgress>(1000, reports); }, 0);
        ADD_FAILURE() << "nothing thrown";
    } catch (const catalogue::Error& error) {
        EXPECT_EQ(error.description(), "bloccato");
    }
}

// Another catalogue whose books are an endless view: the window tells why at
// once, before any dialog, and writes nothing.
TEST_F(ImportWindow, AnEndlessViewIsRefusedBeforeTheDialog)
{
    const std::string other = w.catalogue.folder().toStdString() + "/vista.mdb";
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(other.c_str(), &raw), SQLITE_OK);
    sqlite3_exec(raw, "CREATE VIEW dorvi AS WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n) "
                      "SELECT i AS iddorvo, 'a' AS autore, 't' AS titolo, NULL AS genere FROM n;",
                 nullptr, nullptr, nullptr);
    sqlite3_close(raw);
    w.services.fileAnswers = {QString::fromStdString(other)};
    runImport(accept);
    ASSERT_EQ(w.services.errors.size(), 1u);
    EXPECT_NE(w.services.errors[0].description().find("una vista"), std::string::npos)
        << w.services.errors[0].description();
    EXPECT_EQ(w.services.dialogsRun, 0);
    EXPECT_EQ(books(), "5");
}

// The preview is read while the window's events go on, so a choice may change
// during it: that choice is previewed once the running preview is done, never
// inside it.
TEST(ImportDialogPreview, AChoiceChangedDuringAPreviewIsPreviewedAfterIt)
{
    bookimport::ImportPreview first;
    first.kind = "testo delimitato (;)";
    int depth = 0;
    int deepest = 0;
    std::vector<bool> asked;
    QCheckBox* duplicates = nullptr;
    ImportDialog dialog(QStringLiteral("libri.csv"), first, [&](const bookimport::ImportOptions& options) {
        ++depth;
        deepest = std::max(deepest, depth);
        asked.push_back(options.keepDuplicates);
        if (asked.size() == 1)
            duplicates->setChecked(false); // the user's second change, while the first is read
        --depth;
        return bookimport::ImportPreview{};
    });
    duplicates = dialog.findChild<QCheckBox*>(QStringLiteral("doppioni"));
    ASSERT_NE(duplicates, nullptr);
    duplicates->setChecked(true);
    EXPECT_EQ(deepest, 1);
    EXPECT_EQ(asked, (std::vector<bool>{true, false}));
}
