// Taking the list out: the delimited text of the clipboard and of the spreadsheet
// export, the rows on show through a filtering and sorting proxy, the export and
// the PDF written whole or not at all (a full disk, a missing folder, a cancel),
// and the PDF read back by pdftotext.
#include "cataloguepages.h"
#include "pagecolumns.h"
#include "celltext.h"
#include "listexport.h"
#include "datagrid.h"
#include "delimitedtext.h"
#include "dialogscript.h"
#include "recordsetmodel.h"
#include "qtwindowservices.h"
#include "windowonfakes.h"

#include <QApplication>
#include <QClipboard>
#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QFontMetricsF>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QProcess>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QSortFilterProxyModel>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <csignal>
#include <optional>
#include <sys/mount.h>
#include <sys/resource.h>

using catalogue::ErrorNumber;
using catalogue::Value;

namespace {

struct FieldCase {
    const char* name;
    std::string value;
    std::string spreadsheet; ///< the field in the CSV export
    std::string clipboard;   ///< the field copied with Ctrl+C
};

class Fields : public ::testing::TestWithParam<FieldCase> {};

std::string field(const DelimitedText::Dialect& dialect, const std::string& value)
{
    DelimitedText text(dialect);
    text.addText(value);
    return text.bytes();
}

} // namespace

TEST_P(Fields, AreQuotedOnlyWhenTheyWouldBreakTheLine)
{
    EXPECT_EQ(field(DelimitedText::spreadsheet, GetParam().value), GetParam().spreadsheet);
    EXPECT_EQ(field(DelimitedText::clipboard, GetParam().value), GetParam().clipboard);
}

INSTANTIATE_TEST_SUITE_P(
    Quoting, Fields,
    ::testing::Values(
        FieldCase{"Plain", "Le città invisibili", "Le città invisibili", "Le città invisibili"},
        FieldCase{"Apostrophe", "D'Annunzio", "D'Annunzio", "D'Annunzio"},
        FieldCase{"Semicolon", "Poesie; prose", "\"Poesie; prose\"", "Poesie; prose"},
        FieldCase{"InnerQuotes", "Il \"Decameron\"", "\"Il \"\"Decameron\"\"\"", "Il \"Decameron\""},
        FieldCase{"OpeningQuote", "\"Ciao\" disse", "\"\"\"Ciao\"\" disse\"", "\"\"\"Ciao\"\" disse\""},
        FieldCase{"LineFeed", "Canto I\nCanto II", "\"Canto I\nCanto II\"", "\"Canto I\nCanto II\""},
        FieldCase{"CarriageReturn", "a\r\nb", "\"a\r\nb\"", "\"a\r\nb\""},
        FieldCase{"Tab", "a\tb", "a\tb", "\"a\tb\""},
        FieldCase{"NulAndBell", std::string("a\0b\x07", 4), "a\xE2\x90\x80" "b\xE2\x90\x87",
                  "a\xE2\x90\x80" "b\xE2\x90\x87"},
        FieldCase{"ControlInsideQuotes", "\"\x1F\"", "\"\"\"\xE2\x90\x9F\"\"\"", "\"\"\"\xE2\x90\x9F\"\"\""},
        FieldCase{"Empty", "", "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

// A text a spreadsheet would run as a formula goes out with an apostrophe before
// it; a plain number with its sign goes out as it is; the clipboard stays raw.
INSTANTIATE_TEST_SUITE_P(
    Formulas, Fields,
    ::testing::Values(
        FieldCase{"Equals", "=1+1", "'=1+1", "=1+1"},
        FieldCase{"Hyperlink", "=HYPERLINK(\"http://x\";\"y\")", "\"'=HYPERLINK(\"\"http://x\"\";\"\"y\"\")\"",
                  "=HYPERLINK(\"http://x\";\"y\")"},
        FieldCase{"Dde", "=cmd|' /C calc'!A0", "'=cmd|' /C calc'!A0", "=cmd|' /C calc'!A0"},
        FieldCase{"Plus", "+1+1", "'+1+1", "+1+1"},
        FieldCase{"Minus", "-2+3", "'-2+3", "-2+3"},
        FieldCase{"At", "@SUM(1;1)", "\"'@SUM(1;1)\"", "@SUM(1;1)"},
        FieldCase{"LeadingTab", "\t=1+1", "'\t=1+1", "\"\t=1+1\""},
        FieldCase{"LeadingCarriageReturn", "\r=1+1", "\"'\r=1+1\"", "\"\r=1+1\""},
        FieldCase{"SignAlone", "-", "'-", "-"},
        FieldCase{"NegativeNumber", "-3", "-3", "-3"},
        FieldCase{"SignedDecimals", "+2,5", "+2,5", "+2,5"},
        FieldCase{"NegativeExponent", "-1e-6", "-1e-6", "-1e-6"},
        FieldCase{"NegativeFraction", "-.5", "-.5", "-.5"},
        FieldCase{"Telephone", "+39 06 1234", "'+39 06 1234", "+39 06 1234"},
        FieldCase{"EqualsInside", "E=mc2", "E=mc2", "E=mc2"}),
    [](const auto& info) { return std::string(info.param.name); });

namespace {

struct DocumentCase {
    const char* name;
    Value value;
    std::string text;
};

class DocumentValues : public ::testing::TestWithParam<DocumentCase> {};

} // namespace

TEST_P(DocumentValues, ReadAsAnItalianReaderExpects)
{
    std::string text;
    appendDocumentText(text, GetParam().value);
    EXPECT_EQ(text, GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    DecimalComma, DocumentValues,
    ::testing::Values(DocumentCase{"Integer", std::int64_t{1889}, "1889"},
                      DocumentCase{"NegativeInteger", std::int64_t{-42}, "-42"},
                      DocumentCase{"LargestInteger", std::int64_t{9223372036854775807}, "9223372036854775807"},
                      DocumentCase{"Real", 2.5, "2,5"}, DocumentCase{"NegativeReal", -0.125, "-0,125"},
                      DocumentCase{"TenthHasNoTail", 0.1, "0,1"},
                      DocumentCase{"FifteenDigits", 3.14159265358979, "3,14159265358979"},
                      DocumentCase{"Huge", 1e20, "1e+20"}, DocumentCase{"WholeReal", 3.0, "3"},
                      DocumentCase{"Blob", catalogue::Blob{"\x00\x01"}, "(dati binari)"},
                      DocumentCase{"Null", Value(), ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(VisibleControls, TextAndBytesAgreeOnEveryAsciiCharacter)
{
    for (char16_t code = 0; code < 0x80; ++code) {
        const QString text(QChar{code});
        std::string bytes;
        appendWithVisibleControls(bytes, std::string(1, static_cast<char>(code)));
        EXPECT_EQ(QString::fromStdString(bytes), withVisibleControls(text)) << int(code);
        const bool layout = code == '\t' || code == '\n' || code == '\r';
        EXPECT_EQ(withVisibleControls(text) != text, (code < 0x20 && !layout) || code == 0x7F) << int(code);
    }
    EXPECT_EQ(withVisibleControls(QString(QChar(0))), QStringLiteral("\u2400"));
}

namespace {

// The window on fakes with a catalogue holding values that break naive exports.
class Export : public ::testing::Test, public WindowOnFakes {
protected:
    void SetUp() override
    {
        catalogue.exec("ALTER TABLE dorvi ADD COLUMN prezzo REAL;"
                       "INSERT INTO dorvi (autore, titolo, genere, prezzo) VALUES "
                       "('Elsa Morante', 'La Storia; romanzo', 'Romanzo', 12.5),"
                       "('Anonimo', 'Il \"Novellino\"', NULL, x'00ff'),"
                       "('Giacomo Leopardi', 'Canti' || char(10) || 'Operette morali', 'Poesia', 1889)");
    }

    QString target(const char* name) const { return QDir(catalogue.folder()).filePath(QString::fromLatin1(name)); }
    static QByteArray contents(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(assente)");
    }
    QStringList filesBeside() const
    {
        return QDir(catalogue.folder()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
    void exportTo(const QString& path)
    {
        services.fileAnswers.push_back(path);
        trigger("mnuesportacsv");
    }
};

} // namespace

TEST_F(Export, WritesTheRowsOnShowForAnItalianSpreadsheet)
{
    trigger("mnuall");
    exportTo(target("catalogo.csv"));
    EXPECT_TRUE(services.errors.empty());
    ASSERT_EQ(services.fileDialogs.size(), 1u);
    EXPECT_TRUE(services.fileDialogs[0].text.endsWith("/catalogo.csv"));
    const QByteArray expected = "\xEF\xBB\xBFiddorvo;autore;titolo;genere;prezzo\r\n"
                                "1;Alessandro Manzoni;I promessi sposi;Romanzo storico;\r\n"
                                "2;Gabriele D'Annunzio;Il piacere;Romanzo;\r\n"
                                "3;Luigi Pirandello;Il fu Mattia Pascal;Romanzo;\r\n"
                                "4;Dante Alighieri;La Divina Commedia;Poema;\r\n"
                                "5;Gabriele D'Annunzio;Alcyone;Poesia;\r\n"
                                "6;Elsa Morante;\"La Storia; romanzo\";Romanzo;12,5\r\n"
                                "7;Anonimo;\"Il \"\"Novellino\"\"\";;(dati binari)\r\n"
                                "8;Giacomo Leopardi;\"Canti\nOperette morali\";Poesia;1889\r\n";
    EXPECT_EQ(contents(target("catalogo.csv")).toStdString(), expected.toStdString());
}

// An export ends with a word in the band below the grid, not in a dialog: how many
// books went to which file. A cancelled one says nothing; the next command's
// count replaces the word.
TEST_F(Export, BandSaysHowManyBooksWentToWhichFile)
{
    auto* band = window.findChild<QLabel*>(QStringLiteral("lblstato"));
    ASSERT_NE(band, nullptr);
    trigger("mnuall");
    exportTo(target("catalogo.csv"));
    EXPECT_EQ(band->toolTip(), "8 libri · 8 libri esportati in " + QDir::toNativeSeparators(target("catalogo.csv")));
    EXPECT_EQ(band->text(), band->toolTip()) << "short enough to show whole";
    services.promptAnswers = {"Elsa Morante"};
    trigger("mnuaut");
    EXPECT_EQ(band->toolTip(), "1 libro");
    services.fileAnswers.push_back(target("elenco.pdf"));
    trigger("mnuesportapdf");
    EXPECT_EQ(band->toolTip(), "1 libro · 1 libro esportato in " + QDir::toNativeSeparators(target("elenco.pdf")));
    trigger("mnuesportacsv"); // the dialog cancelled
    EXPECT_EQ(band->toolTip(), "1 libro");
    services.cancelAt = 0;
    exportTo(target("annullato.csv"));
    EXPECT_EQ(band->toolTip(), "1 libro");
    EXPECT_TRUE(services.informations.empty()) << "no dialog";
    EXPECT_TRUE(services.errors.empty());
}

TEST_F(Export, NothingListedYetIsSaidAndNothingAsked)
{
    trigger("mnuesportacsv");
    trigger("mnuesportapdf");
    trigger("mnustampa");
    EXPECT_EQ(services.informations.size(), 3u);
    EXPECT_TRUE(services.fileDialogs.empty());
    EXPECT_EQ(services.previews, 0);
}

TEST_F(Export, CancelledDialogWritesNothing)
{
    trigger("mnuall");
    trigger("mnuesportacsv"); // no answer scripted: the dialog is cancelled
    EXPECT_EQ(filesBeside(), QStringList{"dorvi.mdb"});
    EXPECT_TRUE(services.progressTotals.empty());
}

TEST_F(Export, CancelledWriteLeavesNoFileAndTheOldOneWhole)
{
    trigger("mnuall");
    services.cancelAt = 0;
    exportTo(target("nuovo.csv"));
    services.fileAnswers.push_back(target("nuovo.pdf"));
    trigger("mnuesportapdf");
    EXPECT_EQ(filesBeside(), QStringList{"dorvi.mdb"});

    QFile old(target("vecchio.csv"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("il file di prima");
    old.close();
    exportTo(target("vecchio.csv"));
    EXPECT_EQ(contents(target("vecchio.csv")), "il file di prima");
    EXPECT_EQ(filesBeside(), (QStringList{"dorvi.mdb", "vecchio.csv"}));
    EXPECT_TRUE(services.errors.empty());
}

TEST_F(Export, WriteFailingHalfwayLeavesTheOldFileWhole)
{
    // Enough books that the export passes the file-size limit set below, as a disk
    // filling up in the middle of the write would stop it.
    catalogue.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 20000) "
                   "INSERT INTO dorvi (autore, titolo, genere) SELECT 'Autore ' || i, 'Titolo ' || i, 'Saggio' FROM n");
    trigger("mnuall");
    QFile old(target("catalogo.csv"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("il file di prima");
    old.close();

    rlimit before{};
    getrlimit(RLIMIT_FSIZE, &before);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = before;
    limit.rlim_cur = 64 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    exportTo(target("catalogo.csv"));
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, previousHandler);

    ASSERT_EQ(services.errors.size(), 1u);
    EXPECT_EQ(services.errors[0].number(), ErrorNumber::DiskFull);
    EXPECT_NE(services.errors[0].description().find("catalogo.csv"), std::string::npos);
    EXPECT_EQ(contents(target("catalogo.csv")), "il file di prima");
    EXPECT_EQ(filesBeside(), (QStringList{"catalogo.csv", "dorvi.mdb"})) << "no temporary file is left";
}

TEST_F(Export, MissingFolderIsNamed)
{
    trigger("mnuall");
    exportTo(target("cartella-assente/catalogo.csv"));
    ASSERT_EQ(services.errors.size(), 1u);
    EXPECT_EQ(services.errors[0].number(), ErrorNumber::FileNotWritten);
    EXPECT_NE(services.errors[0].description().find("cartella-assente» non esiste"), std::string::npos)
        << services.errors[0].description();
}

TEST_F(Export, RowsOnShowFollowTheViewsFilterAndOrderWithoutTheNewRowLine)
{
    RecordsetModel model(openRecordset(catalogue.path(), "select * from dorvi;"), [](const catalogue::Error&) {});
    model.setAllowAddNew(true);
    QSortFilterProxyModel filter;
    filter.setSourceModel(&model);
    filter.setFilterKeyColumn(1);
    filter.setFilterRegularExpression(QStringLiteral("^(Gabriele|Elsa|$)")); // the new-row line's empty cell too
    QSortFilterProxyModel sort;
    sort.setSourceModel(&filter);
    sort.sort(2, Qt::DescendingOrder);
    ASSERT_EQ(sort.rowCount(), 4);
    const RowsOnShow shown = rowsOnShow(&sort);
    EXPECT_EQ(shown.recordset, model.recordset());
    EXPECT_EQ(shown.rows, (std::vector<std::size_t>{5, 1, 4})) << "titles from Z to A, no new-row line";
}

TEST_F(Export, CopyQuotesBrokenValuesAndShowsControls)
{
    catalogue.exec("UPDATE dorvi SET genere = 'a' || char(0) || 'b' WHERE iddorvo = 1");
    DataGrid real(services);
    real.setDataSource(openRecordset(catalogue.path(), "select autore, titolo, genere from dorvi where iddorvo in (1, 7, 8);"));
    real.selectAll();
    real.copySelection();
    EXPECT_EQ(QApplication::clipboard()->text(),
              QStringLiteral("autore\ttitolo\tgenere\n"
                             "Alessandro Manzoni\tI promessi sposi\ta\u2400b\n"
                             "Anonimo\tIl \"Novellino\"\t\n"
                             "Giacomo Leopardi\t\"Canti\nOperette morali\"\tPoesia\n"));
}

namespace {

// What pdftotext reads from `pdf`, page by page, laid out as on the page.
QStringList pdfPages(const QString& pdf)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return {};
    QStringList pages = QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\f'));
    if (!pages.isEmpty() && pages.back().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

} // namespace

TEST_F(Export, PdfHoldsEveryBookInOrderWithHeadingsOnEveryPage)
{
    catalogue.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 150) "
                   "INSERT INTO dorvi (autore, titolo, genere) SELECT 'Autore ' || i, 'Titolo ' || i, 'Saggio' FROM n;"
                   "UPDATE dorvi SET titolo = 'Un titolo molto lungo che non sta su una riga sola della colonna dei "
                   "titoli e deve andare a capo senza perdere parole per strada, fino a questa fine' WHERE iddorvo = 4");
    trigger("mnuall");
    services.fileAnswers.push_back(target("catalogo.pdf"));
    trigger("mnuesportapdf");
    ASSERT_TRUE(services.errors.empty());

    const QStringList pages = pdfPages(target("catalogo.pdf"));
    ASSERT_GE(pages.size(), 3);
    const QString all = pages.join(QLatin1Char('\n'));
    for (int page = 0; page < pages.size(); ++page) {
        SCOPED_TRACE(page);
        EXPECT_TRUE(pages[page].contains(QStringLiteral("Catalogo dei libri")));
        EXPECT_TRUE(pages[page].contains(QRegularExpression(QStringLiteral("iddorvo +autore +titolo +genere +prezzo"))));
        EXPECT_TRUE(pages[page].contains(QStringLiteral("Pagina %1 di %2").arg(page + 1).arg(pages.size())));
    }
    EXPECT_TRUE(pages[0].contains(QLocale(QLocale::Italian).toString(QDate::currentDate(), QStringLiteral("d MMMM yyyy"))));
    EXPECT_TRUE(pages[0].contains(QStringLiteral("158 libri")));
    // Every book on a line of its own, in the grid's order.
    qsizetype at = 0;
    for (const auto& row : catalogue.rows("select iddorvo, autore from dorvi order by iddorvo")) {
        const QRegularExpression line(QStringLiteral("\\n *%1 +%2 ")
                                          .arg(QString::fromStdString(row[0]),
                                               QRegularExpression::escape(QString::fromStdString(row[1]))));
        const auto match = line.match(all, at);
        ASSERT_TRUE(match.hasMatch()) << row[0] << " after offset " << at;
        at = match.capturedEnd();
    }
    const QString words = all.simplified();
    for (const QString& word : QStringLiteral("Un titolo molto lungo che non sta su una riga sola della colonna dei "
                                              "titoli e deve andare a capo senza perdere parole per strada, fino a "
                                              "questa fine").split(' '))
        EXPECT_TRUE(words.contains(word)) << word.toStdString();
}

TEST_F(Export, ManyColumnsTurnThePageAndPrintGoesThroughThePreview)
{
    const auto wide = openRecordset(catalogue.path(), "select *, autore || ' ' || titolo as descrizione, "
                                                      "genere as genere_letterario, titolo as titolo_originale from dorvi;");
    EXPECT_EQ(CataloguePages(RowsOnShow::all(wide), QDate(2026, 1, 31)).orientation(), QPageLayout::Landscape);
    trigger("mnuall");
    EXPECT_EQ(CataloguePages(grid.rowsOnShow(), {}).orientation(), QPageLayout::Portrait);

    services.printedTo = target("stampa.pdf");
    trigger("mnustampa");
    EXPECT_EQ(services.previews, 1);
    const QStringList pages = pdfPages(target("stampa.pdf"));
    ASSERT_EQ(pages.size(), 1);
    EXPECT_TRUE(pages[0].contains(QStringLiteral("Pagina 1 di 1")));
    EXPECT_TRUE(pages[0].contains(QStringLiteral("La Storia; romanzo")));
}

namespace {

// The real window services, their dialogs over a window of their own.
struct ServicesOverWindow {
    ServicesOverWindow()
    {
        window.show();
        services.setWindow(&window);
    }
    QWidget window;
    QtWindowServices services;
};

class DialogProgress : public ::testing::Test, public ServicesOverWindow {};

} // namespace

TEST_F(DialogProgress, AppearsAfterHalfASecondAndStopsAtCancel)
{
    auto progress = services.progress(QStringLiteral("Esportazione dei libri in corso…"), 1000);
    auto* dialog = window.findChild<QProgressDialog*>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(progress->advance(1));
    EXPECT_FALSE(dialog->isVisible()) << "a short task shows nothing";
    QTest::qWait(700);
    EXPECT_TRUE(progress->advance(500));
    EXPECT_TRUE(dialog->isVisible());
    dialog->cancel();
    EXPECT_FALSE(progress->advance(600));
    EXPECT_FALSE(progress->advance(1000)) << "a cancel stays";
}


// The progress dialog's own timer showed it half a second after the task began,
// over an error box of that task that could then not be answered. Every message
// of the services closes the progress dialogs first; the task goes on, unseen,
// keeping a cancel the user gave.
TEST_F(DialogProgress, ClosesBeforeAnyMessageSoItNeverCoversOne)
{
    auto progress = services.progress(QStringLiteral("Eliminazione dei libri…"), 1000);
    auto cancelled = services.progress(QStringLiteral("Esportazione dei libri in corso…"), 1000);
    EXPECT_TRUE(progress->advance(1));
    window.findChildren<QProgressDialog*>().back()->cancel();
    EXPECT_FALSE(cancelled->advance(1));

    bool boxShown = false;
    QList<QProgressDialog*> coveringIt;
    QObject scripts;
    whenShown<QMessageBox>(scripts, [&](QMessageBox* box) {
        boxShown = true;
        QTest::qWait(700); // past the moment the progress dialog shows itself
        coveringIt = visibleProgress();
        box->accept();
    });
    services.showError(catalogue::Error(ErrorNumber::Locked, "Il catalogo è bloccato da un altro programma."));
    EXPECT_TRUE(boxShown);
    EXPECT_TRUE(coveringIt.isEmpty()) << "a progress dialog covered the message";
    EXPECT_TRUE(window.findChildren<QProgressDialog*>().isEmpty());
    EXPECT_TRUE(progress->advance(500)) << "the task goes on";
    EXPECT_FALSE(cancelled->advance(500)) << "a cancel stays";
    QTest::qWait(100);
    EXPECT_TRUE(visibleProgress().isEmpty());
}

namespace {

// A folder on a filesystem of 200 KB of its own (tmpfs), filled up but for a few
// bytes, holding an old PDF. Where no filesystem can be mounted, the process's
// file-size limit stops the write the same way, halfway.
class FullFolder {
public:
    FullFolder()
    {
        m_mounted = ::mount("tmpfs", QFile::encodeName(m_base.path()).constData(), "tmpfs", 0, "size=200k") == 0;
        QFile old(oldPdf());
        old.open(QIODevice::WriteOnly);
        old.write(oldBytes());
        old.close();
        if (m_mounted) {
            QFile filler(path("riempitivo"));
            filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
            const QByteArray block(4096, 'x');
            while (filler.write(block) == block.size()) {
            }
        } else {
            getrlimit(RLIMIT_FSIZE, &m_before);
            m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
            rlimit limit = m_before;
            limit.rlim_cur = 16 * 1024;
            setrlimit(RLIMIT_FSIZE, &limit);
        }
    }
    ~FullFolder()
    {
        if (m_mounted) {
            ::umount2(QFile::encodeName(m_base.path()).constData(), MNT_DETACH);
        } else {
            setrlimit(RLIMIT_FSIZE, &m_before);
            std::signal(SIGXFSZ, m_previousHandler);
        }
    }
    QString path(const QString& name) const { return QDir(m_base.path()).filePath(name); }
    QString oldPdf() const { return path("catalogo.pdf"); }
    static QByteArray oldBytes() { return "%PDF-1.4\n" + QByteArray(50 * 1024, 'v') + "\n%%EOF\n"; }
    QStringList files() const { return QDir(m_base.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }
    bool mounted() const { return m_mounted; }

private:
    QTemporaryDir m_base;
    bool m_mounted = false;
    rlimit m_before{};
    void (*m_previousHandler)(int) = SIG_DFL;
};

} // namespace

// Stampa…, then "Scrivi file PDF" over an existing PDF in a folder with no room
// left: through the real preview and print dialogs, as a user does. The old file
// stays whole, no temporary file is left, and the failure is named in Italian.
TEST_F(Export, PrintToAFileInAFullFolderLeavesTheOldFileWhole)
{
    catalogue.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
                   "INSERT INTO dorvi (autore, titolo, genere) SELECT 'Autore ' || i, 'Titolo ' || i, 'Saggio' FROM n");
    trigger("mnuall");
    ServicesOverWindow real;
    FullFolder folder;
    SCOPED_TRACE(folder.mounted() ? "a full tmpfs" : "a file-size limit");
    bool printDialogShown = false;
    QObject scripts;
    whenShown<QPrintPreviewDialog>(scripts, [&](QPrintPreviewDialog* preview) {
        whenShown<QPrintDialog>(scripts, [&](QPrintDialog* dialog) {
            printDialogShown = true;
            auto* printers = dialog->findChild<QComboBox*>(QStringLiteral("printers"));
            auto* fileName = dialog->findChild<QLineEdit*>(QStringLiteral("filename"));
            if (!printers || !fileName) {
                dialog->reject();
                return;
            }
            printers->setCurrentIndex(printers->count() - 1); // "Scrivi file PDF", always last
            fileName->setText(folder.oldPdf());
            whenShown<QMessageBox>(scripts, [](QMessageBox* overwrite) {
                if (QAbstractButton* yes = overwrite->button(QMessageBox::Yes))
                    yes->click();
            });
            dialog->accept();
        });
        const QString print = QCoreApplication::translate("QPrintPreviewDialog", "Print");
        for (QAction* action : preview->findChildren<QAction*>()) {
            if (action->text() == print) {
                action->trigger();
                return;
            }
        }
        preview->reject();
    });
    std::optional<catalogue::Error> failure;
    try {
        printList(real.services, grid.rowsOnShow(), QDate(2026, 1, 31));
    } catch (const catalogue::Error& error) {
        failure = error;
    }
    ASSERT_TRUE(printDialogShown);
    EXPECT_EQ(contents(folder.oldPdf()), FullFolder::oldBytes()) << "the old file is whole";
    ASSERT_TRUE(failure.has_value()) << "the failure is reported";
    EXPECT_EQ(failure->number(), ErrorNumber::DiskFull);
    EXPECT_NE(failure->description().find("catalogo.pdf» non è stato scritto"), std::string::npos)
        << failure->description();
    EXPECT_EQ(folder.files(), folder.mounted() ? (QStringList{"catalogo.pdf", "riempitivo"}) : QStringList{"catalogo.pdf"})
        << "no temporary file is left";
}

// The same print to a folder with room puts the whole list in place of the old file.
TEST_F(Export, PrintToAFileReplacesTheOldFileWhole)
{
    trigger("mnuall");
    QFile old(target("stampa.pdf"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(FullFolder::oldBytes());
    old.close();
    services.printedTo = target("stampa.pdf");
    trigger("mnustampa");
    EXPECT_TRUE(services.errors.empty());
    const QByteArray written = contents(target("stampa.pdf"));
    EXPECT_TRUE(written.startsWith("%PDF-"));
    EXPECT_TRUE(written.trimmed().endsWith("%%EOF"));
    EXPECT_EQ(pdfPages(target("stampa.pdf")).size(), 1);
    EXPECT_EQ(filesBeside(), (QStringList{"dorvi.mdb", "stampa.pdf"}));
}

namespace {

// The printed list of a catalogue with every standard field, a page crowded with
// columns: what a collector's list looks like on paper.
class PrintedList : public ::testing::Test {
protected:
    TestCatalogue catalogue{{}};
    QTemporaryDir folder;

    void SetUp() override
    {
        catalogue.exec("ALTER TABLE dorvi ADD COLUMN anno INTEGER; ALTER TABLE dorvi ADD COLUMN editore TEXT;"
                       "ALTER TABLE dorvi ADD COLUMN isbn TEXT; ALTER TABLE dorvi ADD COLUMN collana TEXT;"
                       "ALTER TABLE dorvi ADD COLUMN lingua TEXT; ALTER TABLE dorvi ADD COLUMN collocazione TEXT;"
                       "ALTER TABLE dorvi ADD COLUMN letto INTEGER; ALTER TABLE dorvi ADD COLUMN voto INTEGER;"
                       "ALTER TABLE dorvi ADD COLUMN note TEXT; ALTER TABLE dorvi ADD COLUMN prestato_a TEXT;"
                       "ALTER TABLE dorvi ADD COLUMN prestato_il TEXT; ALTER TABLE dorvi ADD COLUMN aggiunto_il TEXT;");
    }
    // The words pdftotext reads on the pages of `sql`'s rows, printed.
    QStringList printedWords(const std::string& sql)
    {
        const QString path = folder.filePath(QStringLiteral("elenco.pdf"));
        FakeWindowServices services(folder.path());
        services.fileAnswers = {path};
        EXPECT_EQ(exportPdf(services, RowsOnShow::all(openRecordset(catalogue.path(), sql)), QDate(2026, 12, 8)), path);
        return pdfPages(path).join(QLatin1Char(' ')).split(QRegularExpression(QStringLiteral("\\s+")),
                                                            Qt::SkipEmptyParts);
    }
};

} // namespace

// A crowded page used to break words and ISBNs anywhere ("invisib" / "ili"), and
// printed ratings and dates as stored.
TEST_F(PrintedList, WordsIsbnsAndDatesStayWholeAndReadAsInTheGrid)
{
    catalogue.exec("INSERT INTO dorvi (autore, titolo, genere, anno, editore, isbn, collana, lingua, collocazione, "
                   "letto, voto, note, prestato_a, prestato_il, aggiunto_il) VALUES "
                   "('Italo Calvino', 'Le città invisibili', 'Romanzo fantastico', 1972, 'Einaudi', '9788804123453', "
                   "'Supercoralli', 'italiano', 'studio, scaffale 3', 1, 4, 'letto due volte, da rileggere', "
                   "'Marta Bianchi', '2026-11-30', '2026-12-08'),"
                   "('Giacomo Leopardi', 'Operette morali', 'Prosa filosofica', 1827, 'Stella', '9788807900075', "
                   "'Universale economica', 'italiano', 'soggiorno', 0, 2, 'Edizione commentata', NULL, NULL, "
                   "'2025-01-31')");
    const QStringList words = printedWords("select autore, titolo, genere, anno, editore, isbn, collana, collocazione, "
                                           "letto, voto, note, prestato_il, aggiunto_il from dorvi;");
    for (const char* expected : {"9788804123453", "9788807900075", "8/12/2026", "30/11/2026", "31/1/2025",
                                 "\u2605\u2605\u2605\u2605\u2606", "\u2605\u2605\u2606\u2606\u2606", "sì", "no",
                                 "invisibili", "rileggere", "Supercoralli", "filosofica",
                                 "Leopardi", "collocazione", "prestato_il", "aggiunto_il"})
        EXPECT_TRUE(words.contains(QString::fromUtf8(expected))) << expected << " in " << words.join(' ').toStdString();
    EXPECT_FALSE(words.contains(QStringLiteral("2026-12-08")));
}

TEST_F(PrintedList, AColumnEmptyOnEveryRowListedTakesNoRoom)
{
    catalogue.exec("INSERT INTO dorvi (autore, titolo, genere, collana, note, editore) VALUES "
                   "('Italo Calvino', 'Palomar', 'Romanzo', 'Supercoralli', '', '  '),"
                   "('Dante Alighieri', 'La Divina Commedia', 'Poema', NULL, NULL, NULL)");
    QStringList words = printedWords("select * from dorvi;");
    EXPECT_TRUE(words.contains(QStringLiteral("collana")));
    for (const char* empty : {"note", "editore", "isbn", "voto", "aggiunto_il"})
        EXPECT_FALSE(words.contains(QString::fromLatin1(empty))) << empty;
    // Empty on the rows listed, though not in the catalogue.
    words = printedWords("select * from dorvi where iddorvo = 2;");
    EXPECT_FALSE(words.contains(QStringLiteral("collana")));
    EXPECT_TRUE(words.contains(QStringLiteral("titolo")));
}

TEST(PageColumnsFit, AWordBreaksOnlyWhenWiderThanTheColumnCanBe)
{
    TestCatalogue catalogue{{{"Anonimo", "Storia del sindacalismo socioeconomico", "Saggio"},
                             {"Anonimo", std::string(400, 'x'), "Saggio"}}};
    catalogue.exec("ALTER TABLE dorvi ADD COLUMN isbn TEXT; UPDATE dorvi SET isbn = '978-88-04-12345-3';");
    const QFont font = cataloguePageFont(90, false);
    PageColumns columns(RowsOnShow::all(openRecordset(catalogue.path(), "select * from dorvi;")), font,
                        cataloguePageFont(90, true), 30);
    ASSERT_EQ(columns.count(), 5u);
    const QFontMetricsF metrics(font);
    // Narrower than the columns' words: the ISBN keeps its width, and the long word
    // of 400 letters breaks, each piece within its column.
    columns.fit(metrics.horizontalAdvance("978-88-04-12345-3") * 1.5 + 1000);
    EXPECT_GE(columns.width(4), metrics.horizontalAdvance("978-88-04-12345-3") + 60);
    EXPECT_EQ(columns.wrapped("978-88-04-12345-3", font, 4), QStringList{"978-88-04-12345-3"});
    const QStringList pieces = columns.wrapped(QString(400, 'x'), font, 2);
    EXPECT_GT(pieces.size(), 1);
    EXPECT_EQ(pieces.join(QString()), QString(400, 'x'));
    for (const QString& piece : pieces)
        EXPECT_LE(metrics.horizontalAdvance(piece), columns.width(2) - 60);
    EXPECT_EQ(columns.wrapped(QString(400, 'x'), font, 2, 2).size(), 2);
    // Room for the words: every line ends between two words.
    columns.fit(8000);
    for (const QString& line : columns.wrapped("Storia del sindacalismo socioeconomico", font, 2))
        EXPECT_TRUE(QStringLiteral("Storia del sindacalismo socioeconomico").split(' ').contains(line.split(' ').back()))
            << line.toStdString();
}

TEST(PageColumnsFit, ColumnsStayWhenNoRowIsListedOrEveryColumnIsEmpty)
{
    TestCatalogue catalogue;
    const QFont font = cataloguePageFont(90, false), heading = cataloguePageFont(90, true);
    const auto recordset = openRecordset(catalogue.path(), "select genere, null as vuoto from dorvi;");
    EXPECT_EQ(PageColumns(RowsOnShow{recordset, {}, {}}, font, heading, 30).count(), 2u);
    const auto empty = openRecordset(catalogue.path(), "select null as a, '' as b from dorvi;");
    EXPECT_EQ(PageColumns(RowsOnShow::all(empty), font, heading, 30).count(), 2u);
    PageColumns one(RowsOnShow::all(recordset), font, heading, 30);
    ASSERT_EQ(one.count(), 1u);
    EXPECT_EQ(one.heading(0), "genere");
}

// Too many columns for every word: the words of the crowded page that break are
// those of the column with the longest words, not a piece of every value.
TEST(PageColumnsFit, OnACrowdedPageOnlyTheLongestWordsBreak)
{
    TestCatalogue catalogue{{{"Italo Calvino", "Precipitevolissimevolmente", "Romanzo"}}};
    const QFont font = cataloguePageFont(90, false);
    PageColumns columns(RowsOnShow::all(openRecordset(catalogue.path(), "select autore, titolo, genere from dorvi;")),
                        font, cataloguePageFont(90, true), 30);
    const QFontMetricsF metrics(font);
    const double words = metrics.horizontalAdvance("Calvino") + metrics.horizontalAdvance("Romanzo") + 4 * 30 +
                         metrics.horizontalAdvance("Precipitevolissimevolmente") + 2 * 30;
    columns.fit(words - 200);
    EXPECT_EQ(columns.wrapped("Italo Calvino", font, 0), QStringList({"Italo", "Calvino"}));
    EXPECT_EQ(columns.wrapped("Romanzo", font, 2), QStringList({"Romanzo"}));
    EXPECT_EQ(columns.wrapped("Precipitevolissimevolmente", font, 1).size(), 2);
}
