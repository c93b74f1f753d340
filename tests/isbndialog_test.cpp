// Aggiungi da ISBN… against a scripted server on loopback that answers as SBN,
// Open Library, Google Books and the covers service: the field that refuses a
// wrong check digit, Enter that adds once, the book held named with Vai al libro,
// the continuous scan as one step of Annulla, a service down, the editions.
#include "fakes.h"
#include "history.h"
#include "isbndialog.h"
#include "isbnlookup.h"
#include "isbnscan.h"
#include "isbntool.h"
#include "loopbackserver.h"
#include "politeclient.h"
#include "shownwindow.h"
#include "testcatalogue.h"
#include "toolhost.h"

#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QUrlQuery>
#include <gtest/gtest.h>

#include <functional>
#include <map>

namespace {

QByteArray png(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// Italian ISBNs, so SBN is asked first; only the first has a cover.
const QString first = QStringLiteral("9788804500018");
const QString second = QStringLiteral("9788804500025");
const QString third = QStringLiteral("9788804500032");

QByteArray briefRecord(const QString& isbn, const QString& title, const QString& publisher)
{
    return QStringLiteral(R"({"codiceIdentificativo": "B%1", "titolo": "%2 / Autore %1",
        "autorePrincipale": "Rossi, Mario %1", "pubblicazione": "Milano : %3, 2020", "isbn": "%1"})")
        .arg(isbn, title, publisher)
        .toUtf8();
}

// The services as one server: SBN knows the three ISBNs (the second under two
// editions), the others know nothing; `down` makes every service fail.
struct Services {
    bool down = false;
    LoopbackServer server{[this](const QUrl& target) { return answer(target); }};

    ScriptedReply answer(const QUrl& target) const
    {
        if (down)
            return ScriptedReply::withStatus(500);
        const QString path = target.path();
        const QUrlQuery query(target);
        if (path == QLatin1String("/sbn/search.json")) {
            const QString isbn = query.queryItemValue(QStringLiteral("isbn"));
            QByteArray records;
            if (isbn == first)
                records = briefRecord(first, QStringLiteral("Primo libro"), QStringLiteral("Mondadori"));
            else if (isbn == second)
                records = briefRecord(second, QStringLiteral("Secondo libro"), QStringLiteral("Einaudi")) + "," +
                          briefRecord(second, QStringLiteral("Secondo libro"), QStringLiteral("Adelphi"));
            else if (isbn == third)
                records = briefRecord(third, QStringLiteral("Terzo libro"), QStringLiteral("Feltrinelli"));
            return ScriptedReply::json("{\"briefRecords\": [" + records + "]}");
        }
        if (path == QLatin1String("/ol/api/books"))
            return ScriptedReply::json("{}");
        if (path == QLatin1String("/gb/books/v1/volumes"))
            return ScriptedReply::json(R"({"totalItems": 0})");
        if (path == QStringLiteral("/covers/b/isbn/%1-M.jpg").arg(first))
            return ScriptedReply{200, png(40, 60), {{"Content-Type", "image/png"}}};
        return ScriptedReply::withStatus(404);
    }

    lookup::LookupSettings settings() const
    {
        lookup::LookupSettings settings;
        settings.sbn = server.url(QStringLiteral("/sbn"));
        settings.openLibrary = server.url(QStringLiteral("/ol"));
        settings.googleBooks = server.url(QStringLiteral("/gb/books/v1"));
        settings.covers = server.url(QStringLiteral("/covers"));
        settings.redirected = true;
        return settings;
    }
};

void unhurried(IsbnDialog& dialog)
{
    lookup::PoliteClient::Limits limits;
    limits.spacingMs = 0;
    limits.maxRetries = 0;
    dialog.lookup().client().setLimits(limits);
}

bool waitUntil(const std::function<bool()>& done, int ms = 20000)
{
    const QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired())
        QTest::qWait(10);
    return done();
}

template <typename W>
W* part(QDialog& dialog, const char* name)
{
    W* found = dialog.findChild<W*>(QLatin1String(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

// Types `text` into the ISBN field and presses Enter, as a scanner does.
void scan(QDialog& dialog, const QString& text)
{
    auto* field = part<QLineEdit>(dialog, "isbn");
    field->setText(text);
    QTest::keyClick(field, Qt::Key_Return);
}

// Every ISBN asked has been answered, and each of the scan's books written.
bool settled(IsbnDialog& dialog)
{
    if (dialog.lookup().pending() > 0)
        return false;
    auto* list = dialog.findChild<QListWidget*>(QStringLiteral("elencoisbn"));
    for (int row = 0; list && row < list->count(); ++row)
        if (list->item(row)->text().contains(QStringLiteral("in attesa")))
            return false;
    return true;
}

QString message(QDialog& dialog)
{
    return part<QLabel>(dialog, "esito")->text();
}

// A dialog on a catalogue of its own and the scripted services.
struct Bench {
    TestCatalogue catalogue;
    Services services;
    FakeWindowServices windowServices{catalogue.folder()};
    std::shared_ptr<catalogue::History> history = std::make_shared<catalogue::History>();
    IsbnDialog dialog{windowServices, QString::fromStdString(catalogue.path()), history, services.settings()};

    Bench() { unhurried(dialog); }
    // Books beyond those the catalogue started with.
    int books() const { return std::stoi(catalogue.scalar("SELECT count(*) FROM dorvi")) - held; }
    const int held = static_cast<int>(TestCatalogue::sampleBooks.size());
    bool idle() { return settled(dialog); }
    std::string undoAll()
    {
        auto shown = openRecordset(catalogue.path(), "SELECT * FROM dorvi ORDER BY iddorvo");
        shown->setHistory(history);
        const std::string text = history->undoText();
        history->undo(*shown);
        return text;
    }
};

} // namespace

TEST(IsbnDialog, AWrongCheckDigitIsRefusedAtOnceNamingTheRightDigitAndKeepsWhatWasTyped)
{
    Bench bench;
    for (const bool continuous : {false, true}) {
        part<QCheckBox>(bench.dialog, "scansionecontinua")->setChecked(continuous);
        scan(bench.dialog, QStringLiteral("978-88-04-50001-9"));
        EXPECT_TRUE(message(bench.dialog).contains(QStringLiteral("dovrebbe essere 8"))) << message(bench.dialog).toStdString();
        EXPECT_EQ(part<QLineEdit>(bench.dialog, "isbn")->text(), QStringLiteral("978-88-04-50001-9"));
        scan(bench.dialog, QStringLiteral("0-8044-2957-1"));
        EXPECT_TRUE(message(bench.dialog).contains(QStringLiteral("dovrebbe essere X"))) << message(bench.dialog).toStdString();
    }
    EXPECT_EQ(part<QListWidget>(bench.dialog, "elencoisbn")->count(), 0) << "a wrong ISBN is never queued";
    QTest::qWait(50);
    EXPECT_TRUE(bench.services.server.seen().empty()) << "no service is asked about a wrong ISBN";
}

TEST(IsbnDialog, TheBookFoundIsShownAndEnterAddsItOnceHoweverManyTimesItIsPressed)
{
    Bench bench;
    scan(bench.dialog, first);
    scan(bench.dialog, first); // the scanner's second Enter, before the answer
    ASSERT_TRUE(waitUntil([&] { return part<QPushButton>(bench.dialog, "aggiungi")->isEnabled(); }));
    const QString shown = part<QPlainTextEdit>(bench.dialog, "librotrovato")->toPlainText();
    EXPECT_TRUE(shown.contains(QStringLiteral("Titolo: Primo libro"))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QStringLiteral("Autore: Mario %1 Rossi").arg(first))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QStringLiteral("Da: SBN, con la copertina"))) << shown.toStdString();
    EXPECT_FALSE(part<QLabel>(bench.dialog, "copertina")->pixmap().isNull());
    EXPECT_EQ(bench.services.server.seenUnder(QStringLiteral("/sbn/search.json")).size(), 1u);

    // Enter on the ISBN shown adds it; Enter again, or the same ISBN again, while
    // it is being written or after, adds nothing.
    scan(bench.dialog, first);
    QTest::keyClick(part<QLineEdit>(bench.dialog, "isbn"), Qt::Key_Return);
    scan(bench.dialog, first);
    ASSERT_TRUE(waitUntil([&] { return message(bench.dialog).startsWith(QStringLiteral("Aggiunto")); }));
    QTest::keyClick(part<QLineEdit>(bench.dialog, "isbn"), Qt::Key_Return);
    scan(bench.dialog, first);
    QTest::qWait(200);
    EXPECT_EQ(bench.books(), 1);
    EXPECT_EQ(bench.catalogue.scalar("SELECT titolo FROM dorvi WHERE isbn = '" + first.toStdString() + "'"),
              "Primo libro");
    EXPECT_EQ(bench.catalogue.scalar("SELECT count(*) FROM copertine"), "1");
    EXPECT_TRUE(part<QPushButton>(bench.dialog, "vaiallibro")->isEnabled()) << "the book added can be gone to";

    EXPECT_EQ(bench.undoAll(), "aggiunta di «Primo libro» da ISBN");
    EXPECT_EQ(bench.books(), 0) << "one Annulla takes the book back";
    EXPECT_FALSE(bench.history->canUndo());
}

TEST(IsbnDialog, ABookHeldOrNearlyHeldIsNamedAndOfferedToGoToInstead)
{
    Bench bench;
    bench.catalogue.exec("ALTER TABLE dorvi ADD COLUMN isbn TEXT;"
                         "INSERT INTO dorvi (autore, titolo, isbn) VALUES ('Umberto Eco', 'Il pendolo', '" +
                         first.toStdString() + "');"
                         "INSERT INTO dorvi (autore, titolo) VALUES ('Mario " + third.toStdString() +
                         " Rossi', 'Terzo libro');");
    scan(bench.dialog, QStringLiteral("88-04-50001-8"));
    EXPECT_TRUE(waitUntil([&] { return message(bench.dialog).contains(QStringLiteral("Il pendolo")); }))
        << message(bench.dialog).toStdString();
    QTest::qWait(50);
    EXPECT_TRUE(bench.services.server.seen().empty()) << "a book held by its ISBN is not looked up";
    ASSERT_TRUE(part<QPushButton>(bench.dialog, "vaiallibro")->isEnabled());

    // A book without ISBN by the same author and title is a near duplicate, told
    // before it is added, and added only when the user insists.
    scan(bench.dialog, third);
    ASSERT_TRUE(waitUntil([&] { return message(bench.dialog).contains(QStringLiteral("già nel catalogo")); }))
        << message(bench.dialog).toStdString();
    EXPECT_FALSE(part<QPushButton>(bench.dialog, "aggiungi")->isEnabled());
    QTest::keyClick(part<QLineEdit>(bench.dialog, "isbn"), Qt::Key_Return);
    QTest::qWait(200);
    EXPECT_EQ(bench.books(), 2);
    QTest::mouseClick(part<QPushButton>(bench.dialog, "vaiallibro"), Qt::LeftButton);
    EXPECT_EQ(bench.dialog.result(), QDialog::Accepted);
    EXPECT_EQ(bench.dialog.goToBook(), 7);
    EXPECT_EQ(bench.dialog.booksAdded(), 0);
}

TEST(IsbnDialog, ANearDuplicateIsAddedWhenTheUserInsists)
{
    Bench bench;
    bench.catalogue.exec("INSERT INTO dorvi (autore, titolo) VALUES ('Mario " + third.toStdString() +
                         " Rossi', 'Terzo libro');");
    scan(bench.dialog, third);
    ASSERT_TRUE(waitUntil([&] { return part<QPushButton>(bench.dialog, "aggiungilostesso")->isVisibleTo(&bench.dialog); }));
    QTest::mouseClick(part<QPushButton>(bench.dialog, "aggiungilostesso"), Qt::LeftButton);
    EXPECT_TRUE(waitUntil([&] { return bench.dialog.booksAdded() == 1; }));
    EXPECT_EQ(bench.books(), 2);
}

TEST(IsbnDialog, AContinuousScanAddsEachBookAsItArrivesAndOneAnnullaTakesThemAllBack)
{
    Bench bench;
    part<QCheckBox>(bench.dialog, "scansionecontinua")->setChecked(true);
    auto* list = part<QListWidget>(bench.dialog, "elencoisbn");
    for (const QString& isbn : {first, second, third}) {
        scan(bench.dialog, isbn);
        EXPECT_TRUE(part<QLineEdit>(bench.dialog, "isbn")->text().isEmpty()) << "the field is free at once";
    }
    scan(bench.dialog, second);
    EXPECT_EQ(list->count(), 3) << "a second read of one ISBN is not queued";
    EXPECT_TRUE(list->item(2)->text().contains(QStringLiteral("in attesa")));

    ASSERT_TRUE(waitUntil([&] { return bench.idle(); }));
    for (int row = 0; row < 3; ++row)
        EXPECT_TRUE(list->item(row)->text().contains(QStringLiteral(": aggiunto"))) << list->item(row)->text().toStdString();
    EXPECT_EQ(bench.books(), 3);
    EXPECT_EQ(bench.catalogue.scalar("SELECT count(*) FROM copertine"), "1");
    EXPECT_EQ(bench.catalogue.scalar("SELECT editore FROM dorvi WHERE isbn = '" + second.toStdString() + "'"),
              "Einaudi") << "a scan takes the first edition";

    bench.dialog.reject();
    EXPECT_EQ(bench.dialog.booksAdded(), 3);
    EXPECT_EQ(bench.undoAll(), "aggiunta di 3 libri da ISBN");
    EXPECT_EQ(bench.books(), 0);
    EXPECT_EQ(bench.catalogue.scalar("SELECT count(*) FROM copertine"), "0");
    EXPECT_FALSE(bench.history->canUndo()) << "the whole scan was one step";
}

TEST(IsbnDialog, AServiceDownWritesNothingKeepsTheQueueAndRiprovaAsksAgain)
{
    Bench bench;
    bench.services.down = true;
    scan(bench.dialog, first);
    ASSERT_TRUE(waitUntil([&] { return message(bench.dialog).contains(QStringLiteral("Riprova")); }));
    EXPECT_TRUE(message(bench.dialog).contains(QStringLiteral("SBN"))) << message(bench.dialog).toStdString();

    part<QCheckBox>(bench.dialog, "scansionecontinua")->setChecked(true);
    scan(bench.dialog, second);
    scan(bench.dialog, third);
    ASSERT_TRUE(waitUntil([&] { return bench.idle(); }));
    auto* list = part<QListWidget>(bench.dialog, "elencoisbn");
    ASSERT_EQ(list->count(), 2);
    EXPECT_TRUE(list->item(0)->text().contains(QStringLiteral("errore di rete"))) << list->item(0)->text().toStdString();
    EXPECT_TRUE(list->item(0)->text().contains(QStringLiteral("Google Books")));
    EXPECT_EQ(bench.books(), 0) << "nothing written";

    bench.services.down = false;
    auto* retry = part<QPushButton>(bench.dialog, "riprova");
    ASSERT_TRUE(retry->isEnabled());
    QTest::mouseClick(retry, Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return bench.idle() && bench.books() == 2; }));
    EXPECT_TRUE(part<QPushButton>(bench.dialog, "aggiungi")->isEnabled()) << "the lone ISBN is shown again";
    EXPECT_FALSE(retry->isEnabled());
}

TEST(IsbnDialog, SeveralEditionsUnderOneIsbnAreOfferedAndTheOneChosenIsAdded)
{
    Bench bench;
    scan(bench.dialog, second);
    auto* editions = part<QComboBox>(bench.dialog, "edizione");
    ASSERT_TRUE(waitUntil([&] { return editions->count() == 2; }));
    EXPECT_TRUE(editions->isVisibleTo(&bench.dialog));
    EXPECT_TRUE(editions->itemText(1).contains(QStringLiteral("Adelphi")));
    editions->setCurrentIndex(1);
    EXPECT_TRUE(part<QPlainTextEdit>(bench.dialog, "librotrovato")->toPlainText().contains(QStringLiteral("Editore: Adelphi")));
    QTest::mouseClick(part<QPushButton>(bench.dialog, "aggiungi"), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return bench.books() == 1; }));
    EXPECT_EQ(bench.catalogue.scalar("SELECT editore FROM dorvi WHERE isbn = '" + second.toStdString() + "'"), "Adelphi");
}

TEST(IsbnDialog, ClosingWithAnswersPendingAsksAndNoKeepsEverything)
{
    Bench bench;
    LoopbackServer silent([](const QUrl&) {
        ScriptedReply reply;
        reply.silent = true;
        return reply;
    });
    lookup::LookupSettings settings = bench.services.settings();
    settings.sbn = silent.url(QStringLiteral("/sbn"));
    IsbnDialog dialog(bench.windowServices, QString::fromStdString(bench.catalogue.path()), bench.history, settings);
    unhurried(dialog);
    dialog.show();
    part<QCheckBox>(dialog, "scansionecontinua")->setChecked(true);
    scan(dialog, first);
    scan(dialog, second);
    bench.windowServices.confirmAnswers = {false};
    QTest::keyClick(&dialog, Qt::Key_Escape);
    ASSERT_EQ(bench.windowServices.confirmations.size(), 1u);
    EXPECT_TRUE(bench.windowServices.confirmations[0].text.contains(QStringLiteral("2 ISBN aspettano")));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(part<QListWidget>(dialog, "elencoisbn")->count(), 2);
    bench.windowServices.confirmAnswers = {true};
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
}

// Tab reaches every control and leaves the list; each has an Italian name.
TEST(IsbnDialog, EveryControlIsReachedByTabAndNamed)
{
    Bench bench;
    bench.dialog.show();
    part<QCheckBox>(bench.dialog, "scansionecontinua")->setChecked(true);
    scan(bench.dialog, first);
    ASSERT_TRUE(waitUntil([&] { return bench.idle(); }));
    part<QLineEdit>(bench.dialog, "isbn")->setFocus();
    QSet<QString> reached;
    for (int i = 0; i < 30; ++i) {
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        EXPECT_FALSE(focus->accessibleName().isEmpty()) << focus->objectName().toStdString();
        reached.insert(focus->objectName());
        QTest::keyClick(focus, Qt::Key_Tab);
    }
    for (const char* name : {"isbn", "scansionecontinua", "esito", "librotrovato", "elencoisbn", "chiudi"})
        EXPECT_TRUE(reached.contains(QLatin1String(name))) << name;
}

// A scan takes up to 500 ISBNs and says so beyond; none is lost from the list.
TEST(IsbnScan, TakesUpTo500IsbnsAndRefusesTheNextSayingSo)
{
    Bench bench;
    part<QCheckBox>(bench.dialog, "scansionecontinua")->setChecked(true);
    bench.services.down = true;
    const auto isbnOf = [](int n) {
        QString digits = QStringLiteral("97888%1").arg(n, 7, 10, QLatin1Char('0'));
        int sum = 0;
        for (int i = 0; i < 12; ++i)
            sum += digits.at(i).digitValue() * (i % 2 ? 3 : 1);
        return digits + QString::number((10 - sum % 10) % 10);
    };
    for (int n = 0; n < IsbnScan::maxIsbns; ++n)
        scan(bench.dialog, isbnOf(n));
    EXPECT_EQ(part<QListWidget>(bench.dialog, "elencoisbn")->count(), 500);
    scan(bench.dialog, isbnOf(500));
    EXPECT_EQ(part<QListWidget>(bench.dialog, "elencoisbn")->count(), 500);
    EXPECT_TRUE(message(bench.dialog).contains(QStringLiteral("al massimo 500"))) << message(bench.dialog).toStdString();
    EXPECT_EQ(part<QLineEdit>(bench.dialog, "isbn")->text(), isbnOf(500)) << "the ISBN refused stays in the field";
    bench.windowServices.confirmAnswers = {true};
}

namespace {

// A host that lends the tool a catalogue and records what the tool asks of it.
class Host : public ToolHost {
public:
    Host() { window.setCentralWidget(new QWidget(&window)); }
    WindowServices& services() override { return fakeServices; }
    Grid& grid() override { return fakeGrid; }
    const std::shared_ptr<catalogue::History>& history() override { return kept; }
    CopyKeeper& copies() override { throw std::logic_error("no copies here"); }
    QWidget* dialogParent() override { return &window; }
    QString cataloguePath() const override { return QString::fromStdString(catalogue.path()); }
    bool editing() const override { return inEditing; }
    void listBooks(const catalogue::BookListing&) override {}
    void goTo(std::int64_t id) override { wentTo.push_back(id); }
    void relist() override { ++relisted; }
    QAction* addTool(const char* name, const QString&, const QList<QKeySequence>& keys, std::function<void()> command,
                     bool) override
    {
        commands[name] = std::move(command);
        shortcuts[name] = keys;
        return nullptr;
    }
    void addToolSeparator() override {}

    QMainWindow window;
    TestCatalogue catalogue;
    FakeWindowServices fakeServices{catalogue.folder()};
    FakeGrid fakeGrid;
    std::shared_ptr<catalogue::History> kept = std::make_shared<catalogue::History>();
    bool inEditing = true;
    std::vector<std::int64_t> wentTo;
    int relisted = 0;
    std::map<std::string, std::function<void()>> commands;
    std::map<std::string, QList<QKeySequence>> shortcuts;
};

} // namespace

TEST(IsbnTool, OffersTheDialogOnlyInEditingWithLookupsOnAndRelistsAfterAdding)
{
    Services services;
    lookup::LookupSettings settings = services.settings();
    Host host;
    IsbnTool tool(host, nullptr, [&] { return settings; });
    ASSERT_TRUE(host.commands.count("mnuaggiungiisbn"));
    EXPECT_EQ(host.shortcuts["mnuaggiungiisbn"].value(0), QKeySequence(QStringLiteral("Ctrl+Shift+I")));

    host.inEditing = false;
    host.commands["mnuaggiungiisbn"]();
    settings.enabled = false;
    host.inEditing = true;
    host.commands["mnuaggiungiisbn"]();
    ASSERT_EQ(host.fakeServices.informations.size(), 2u);
    EXPECT_TRUE(host.fakeServices.informations[1].text.contains(QStringLiteral("spenta"))) << "lookups turned off are told, not asked";
    EXPECT_EQ(host.fakeServices.dialogsRun, 0);

    settings.enabled = true;
    tool.beforeRun = unhurried;
    host.fakeServices.dialogScript = [&](QDialog& dialog) {
        part<QCheckBox>(dialog, "scansionecontinua")->setChecked(true);
        scan(dialog, first);
        scan(dialog, third);
        waitUntil([&] { return settled(static_cast<IsbnDialog&>(dialog)); });
        auto* list = part<QListWidget>(dialog, "elencoisbn");
        list->setCurrentRow(1);
        QTest::mouseClick(part<QPushButton>(dialog, "vaiallibro"), Qt::LeftButton);
    };
    host.commands["mnuaggiungiisbn"]();
    EXPECT_EQ(host.relisted, 1) << "the grid lists the books added";
    EXPECT_EQ(host.wentTo, std::vector<std::int64_t>{7});
    EXPECT_EQ(host.kept->undoText(), "aggiunta di 2 libri da ISBN");
}

// In the window itself: the book added is in the grid once the dialog closes, and
// an ISBN no service knows goes into the new-row line, to be typed in by hand,
// with nothing written until the user writes the book.
class IsbnInWindow : public ShownWindowTest {
};

TEST_F(IsbnInWindow, TheBookAddedIsListedAndOneNotFoundIsTypedInTheNewRowLine)
{
    Services services;
    const lookup::LookupSettings at = services.settings();
    qputenv("DORVI_SBN_URL", at.sbn.toString().toUtf8());
    qputenv("DORVI_OPENLIBRARY_URL", at.openLibrary.toString().toUtf8());
    qputenv("DORVI_GOOGLEBOOKS_URL", at.googleBooks.toString().toUtf8());
    qputenv("DORVI_COVERS_URL", at.covers.toString().toUtf8());
    catalogue.exec("ALTER TABLE dorvi ADD COLUMN isbn TEXT");
    trigger("mnuop");
    const int before = grid->model()->rowCount();
    const QString unknown = QStringLiteral("9788804500049");

    this->services.dialogScript = [&](QDialog& dialog) {
        scan(dialog, first);
        waitUntil([&] { return part<QPushButton>(dialog, "aggiungi")->isEnabled(); });
        QTest::keyClick(part<QLineEdit>(dialog, "isbn"), Qt::Key_Return);
        waitUntil([&] { return message(dialog).startsWith(QStringLiteral("Aggiunto")); });
        scan(dialog, unknown);
        waitUntil([&] { return part<QPushButton>(dialog, "scriviamano")->isEnabled(); });
        QTest::mouseClick(part<QPushButton>(dialog, "scriviamano"), Qt::LeftButton);
    };
    trigger("mnuaggiungiisbn");
    for (const char* name : {"DORVI_SBN_URL", "DORVI_OPENLIBRARY_URL", "DORVI_GOOGLEBOOKS_URL", "DORVI_COVERS_URL"})
        qunsetenv(name);

    EXPECT_EQ(catalogue.scalar("SELECT count(*) FROM dorvi WHERE isbn IS NOT NULL"), "1") << "the one not found is not written";
    QAbstractItemModel* rows = grid->model();
    // The book added, then the book begun with the ISBN, then a line for the next.
    ASSERT_EQ(rows->rowCount(), before + 2) << "the book added is listed";
    int isbnColumn = -1;
    for (int column = 0; column < rows->columnCount(); ++column)
        if (rows->headerData(column, Qt::Horizontal).toString().contains(QStringLiteral("ISBN"), Qt::CaseInsensitive))
            isbnColumn = column;
    ASSERT_GE(isbnColumn, 0);
    EXPECT_EQ(rows->index(before - 1, isbnColumn).data().toString(), first);
    EXPECT_EQ(rows->index(before, isbnColumn).data().toString(), unknown) << "the new-row line holds the ISBN";
}
