// Completa da ISBN in the window, against one scripted server on loopback that
// answers as SBN, Open Library, Google Books and the covers service: the chosen
// books, the preview, Scrivi, the values in the file and one Annulla.
#include "covers.h"
#include "loopbackserver.h"
#include "noticeline.h"
#include "shownwindow.h"
#include "standardfields.h"

#include <QBuffer>
#include <QDeadlineTimer>
#include <QDialog>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QTableWidget>
#include <QTcpServer>
#include <QUrlQuery>

namespace {

const char* english = "9780141346830";
const char* unknown = "9788804661238";

QByteArray png(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// Open Library knows the English book and has its cover; nobody knows the other.
ScriptedReply fromServices(const QUrl& target)
{
    const QString path = target.path();
    const QString bibkeys = QUrlQuery(target).queryItemValue(QStringLiteral("bibkeys"));
    if (path == QLatin1String("/ol/api/books"))
        return ScriptedReply::json(bibkeys.contains(QLatin1String(english))
            ? R"({"ISBN:9780141346830": {"title": "The Lightning Thief", "authors": [{"name": "Rick Riordan"}],
                 "publishers": [{"name": "Puffin"}], "publish_date": "March 2013", "number_of_pages": 377}})"
            : "{}");
    if (path == QLatin1String("/sbn/search.json"))
        return ScriptedReply::json(R"({"numFound": 0, "briefRecords": []})");
    if (path == QStringLiteral("/covers/b/isbn/%1-M.jpg").arg(QLatin1String(english)))
        return ScriptedReply{200, png(30, 45), {{"Content-Type", "image/png"}}};
    return ScriptedReply::withStatus(404);
}

QSettings programSettings()
{
    return QSettings(QStringLiteral("Dorvi"), QStringLiteral("Gestione Dorvi"));
}

// Every service at `base`, as a user would set them.
void pointServicesAt(const QUrl& base, bool on = true)
{
    QSettings settings = programSettings();
    const QString root = base.toString();
    settings.setValue(QStringLiteral("ricerca_isbn/attiva"), on);
    settings.setValue(QStringLiteral("ricerca_isbn/sbn"), root + QStringLiteral("/sbn"));
    settings.setValue(QStringLiteral("ricerca_isbn/openlibrary"), root + QStringLiteral("/ol"));
    settings.setValue(QStringLiteral("ricerca_isbn/googlebooks"), root + QStringLiteral("/gb/books/v1"));
    settings.setValue(QStringLiteral("ricerca_isbn/copertine"), root + QStringLiteral("/covers"));
}

// Runs the event loop until `done`, as the user waits with the dialog open.
template <typename Done>
bool waitFor(Done done, int ms = 20000)
{
    const QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired())
        QTest::qWait(20);
    return done();
}

QStringList lines(const QListWidget& list)
{
    QStringList texts;
    for (int row = 0; row < list.count(); ++row)
        texts << list.item(row)->text();
    return texts;
}

class CompletionCommand : public ShownWindowTest {
protected:
    void SetUp() override
    {
        ShownWindowTest::SetUp();
        catalogue::DatabaseHandle db = openDatabase(catalogue.path());
        catalogue::addStandardColumns(db.get());
        catalogue.exec(std::string("UPDATE dorvi SET isbn = '") + english + "' WHERE iddorvo = 1;"
                       "UPDATE dorvi SET isbn = '" + unknown + "' WHERE iddorvo = 3;");
        pointServicesAt(server.url());
    }
    void TearDown() override { programSettings().remove(QStringLiteral("ricerca_isbn")); }
    void chooseRows(std::initializer_list<int> rows)
    {
        grid->clearSelection();
        for (const int row : rows)
            grid->selectionModel()->select(grid->model()->index(row, 1),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    std::string firstBook() const
    {
        return catalogue.scalar("SELECT autore || '|' || titolo || '|' || quote(editore) || '|' || quote(anno) || "
                                "'|' || quote(pagine) FROM dorvi WHERE iddorvo = 1");
    }
    bool hasCover(std::int64_t book) const
    {
        catalogue::DatabaseHandle db = openDatabase(catalogue.path());
        return catalogue::readCover(db.get(), book).has_value();
    }
    QString undoCaption() { return window.findChild<QAction*>(QStringLiteral("mnuannulla"))->text(); }

    LoopbackServer server{fromServices};
    const std::string untouched = "Alessandro Manzoni|I promessi sposi|NULL|NULL|NULL";
};

} // namespace

TEST_F(CompletionCommand, ThePreviewListsEachEmptyFieldAndScriviWritesTheTickedOnesAsOneStepOfAnnulla)
{
    trigger("mnuop");
    chooseRows({0, 1, 2});
    QStringList changes, leftAsTheyAre;
    services.dialogScript = [&](QDialog& dialog) {
        auto* write = dialog.findChild<QPushButton*>(QStringLiteral("scrivi"));
        auto* table = dialog.findChild<QTableWidget*>(QStringLiteral("modifiche"));
        ASSERT_TRUE(write && table);
        EXPECT_FALSE(write->isEnabled()) << "nothing can be written before the services answer";
        ASSERT_TRUE(waitFor([&] { return write->isEnabled(); }));
        for (int row = 0; row < table->rowCount(); ++row)
            changes << table->item(row, 1)->text() + "=" + table->item(row, 2)->text();
        leftAsTheyAre = lines(*dialog.findChild<QListWidget*>(QStringLiteral("esclusi")));
        // The pages are left out by taking their tick away, with the keyboard alone.
        const int pages = static_cast<int>(changes.indexOf(QStringLiteral("pagine=377")));
        ASSERT_GE(pages, 0);
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        table->setFocus();
        table->setCurrentCell(pages, 0);
        QTest::keyClick(table, Qt::Key_Space);
        EXPECT_EQ(table->item(pages, 0)->checkState(), Qt::Unchecked);
        write->click();
    };
    trigger("mnucompleta");
    ASSERT_EQ(services.dialogsRun, 1);
    ASSERT_TRUE(services.errors.empty()) << services.errors.front().description();
    // The author and title the user wrote are not offered; the ISBN is already there.
    EXPECT_EQ(changes, (QStringList{QStringLiteral("anno=2013"), QStringLiteral("editore=Puffin"),
                                    QStringLiteral("pagine=377"),
                                    QStringLiteral("copertina=immagine PNG 30×45, da Open Library")}));
    ASSERT_EQ(leftAsTheyAre.size(), 2);
    EXPECT_TRUE(leftAsTheyAre[0].contains(QStringLiteral("Il piacere"))) << leftAsTheyAre[0].toStdString();
    EXPECT_TRUE(leftAsTheyAre[0].contains(QStringLiteral("senza ISBN")));
    EXPECT_TRUE(leftAsTheyAre[1].contains(QStringLiteral("Il fu Mattia Pascal")));
    EXPECT_TRUE(leftAsTheyAre[1].contains(QString::fromLatin1(unknown) + QStringLiteral(" non è noto")));

    EXPECT_EQ(firstBook(), "Alessandro Manzoni|I promessi sposi|'Puffin'|2013|NULL");
    EXPECT_TRUE(hasCover(1));
    EXPECT_EQ(grid->model()->index(0, 5).data().toString(), QStringLiteral("Puffin")) << "the grid shows it at once";
    EXPECT_TRUE(NoticeLine::of(window).text().contains(QStringLiteral("1 libro completato (2 campi, 1 copertina)")))
        << NoticeLine::of(window).text().toStdString();
    EXPECT_EQ(undoCaption(), QStringLiteral("&Annulla completamento da ISBN"));

    trigger("mnuannulla");
    EXPECT_EQ(firstBook(), untouched);
    EXPECT_FALSE(hasCover(1));
    EXPECT_TRUE(grid->model()->index(0, 5).data().toString().isEmpty());
    EXPECT_EQ(undoCaption(), QStringLiteral("&Annulla"));
}

// Another program writes the publisher while the preview is open: it is left as it
// is, and the line under the grid says so.
TEST_F(CompletionCommand, AValueWrittenWhileThePreviewIsOpenIsNeverOverwritten)
{
    trigger("mnuop");
    chooseRows({0});
    services.dialogScript = [&](QDialog& dialog) {
        auto* write = dialog.findChild<QPushButton*>(QStringLiteral("scrivi"));
        ASSERT_TRUE(waitFor([&] { return write->isEnabled(); }));
        catalogue.exec("UPDATE dorvi SET editore = 'Mondadori' WHERE iddorvo = 1");
        write->click();
    };
    trigger("mnucompleta");
    ASSERT_TRUE(services.errors.empty()) << services.errors.front().description();
    EXPECT_EQ(firstBook(), "Alessandro Manzoni|I promessi sposi|'Mondadori'|2013|377");
    EXPECT_TRUE(NoticeLine::of(window).text().contains(QStringLiteral("lasciati come sono")));
    EXPECT_TRUE(NoticeLine::of(window).text().contains(QStringLiteral("editore")));
    trigger("mnuannulla");
    EXPECT_EQ(firstBook(), "Alessandro Manzoni|I promessi sposi|'Mondadori'|NULL|NULL");
}

// No service answers: each book names the services and why, Scrivi stays off,
// and Tab and Esc work as in every dialog.
TEST_F(CompletionCommand, OfflineTheServicesAreNamedWithTheCauseAndNothingIsWritten)
{
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const QUrl nobody(QStringLiteral("http://127.0.0.1:%1").arg(closed.serverPort()));
    closed.close();
    pointServicesAt(nobody);
    trigger("mnuop");
    chooseRows({0});
    QStringList leftAsTheyAre;
    bool tabLeftTheTable = false, writable = true;
    services.dialogScript = [&](QDialog& dialog) {
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        auto* status = dialog.findChild<QLabel*>(QStringLiteral("stato"));
        ASSERT_TRUE(waitFor([&] { return status->text().startsWith(QStringLiteral("Ricerca finita")); }));
        EXPECT_EQ(status->accessibleDescription(), status->text()) << "heard by a screen reader";
        leftAsTheyAre = lines(*dialog.findChild<QListWidget*>(QStringLiteral("esclusi")));
        writable = dialog.findChild<QPushButton*>(QStringLiteral("scrivi"))->isEnabled();
        auto* table = dialog.findChild<QTableWidget*>(QStringLiteral("modifiche"));
        table->setFocus();
        QTest::keyClick(table, Qt::Key_Tab);
        tabLeftTheTable = QApplication::focusWidget() != table;
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    };
    trigger("mnucompleta");
    ASSERT_EQ(services.dialogsRun, 1);
    ASSERT_EQ(leftAsTheyAre.size(), 1);
    EXPECT_TRUE(leftAsTheyAre[0].contains(QStringLiteral("Open Library: "))) << leftAsTheyAre[0].toStdString();
    EXPECT_TRUE(leftAsTheyAre[0].contains(QStringLiteral("SBN: ")));
    EXPECT_FALSE(writable);
    EXPECT_TRUE(tabLeftTheTable);
    EXPECT_EQ(firstBook(), untouched);
    EXPECT_EQ(undoCaption(), QStringLiteral("&Annulla"));
}

TEST_F(CompletionCommand, OutsideGestioneLookupsTurnedOffOrNoIsbnAsksNothingAndSaysWhy)
{
    trigger("mnuall");
    chooseRows({0});
    trigger("mnucompleta");
    ASSERT_EQ(services.informations.size(), 1u);
    EXPECT_TRUE(services.informations[0].text.contains(QStringLiteral("Gestione")));

    pointServicesAt(server.url(), false);
    trigger("mnuop");
    chooseRows({0});
    trigger("mnucompleta");
    ASSERT_EQ(services.informations.size(), 2u);
    EXPECT_TRUE(services.informations[1].text.contains(QStringLiteral("spenta")))
        << services.informations[1].text.toStdString();

    // One book without an ISBN, one whose check digit is wrong: each named, with the right digit.
    pointServicesAt(server.url());
    catalogue.exec("UPDATE dorvi SET isbn = '978-88-04-66123-9' WHERE iddorvo = 4");
    trigger("mnuop");
    chooseRows({1, 3});
    trigger("mnucompleta");
    ASSERT_EQ(services.informations.size(), 3u);
    const QString told = services.informations[2].text;
    EXPECT_TRUE(told.contains(QStringLiteral("«\u2068Il piacere\u2069» di"))) << told.toStdString();
    EXPECT_TRUE(told.contains(QStringLiteral("senza ISBN")));
    EXPECT_TRUE(told.contains(QStringLiteral("«978-88-04-66123-9» non è valido")));
    EXPECT_TRUE(told.contains(QStringLiteral("dovrebbe essere 8"))) << "the right check digit";
    EXPECT_EQ(services.dialogsRun, 0);
    EXPECT_TRUE(server.seen().empty()) << "no service is asked anything";
}

// The near-duplicate index made before the completion knows the author and title
// it filled in: a book then written as the same is named below the grid.
TEST_F(CompletionCommand, TheDuplicateNoticeKnowsTheValuesFilledIn)
{
    catalogue.exec("UPDATE dorvi SET autore = NULL, titolo = NULL WHERE iddorvo = 1");
    trigger("mnuop");
    ASSERT_TRUE(grid->model()->setData(grid->model()->index(3, 3), QStringLiteral("Poema sacro"))); // the index is made
    chooseRows({0});
    services.dialogScript = [&](QDialog& dialog) {
        auto* write = dialog.findChild<QPushButton*>(QStringLiteral("scrivi"));
        ASSERT_TRUE(waitFor([&] { return write->isEnabled(); }));
        write->click();
    };
    trigger("mnucompleta");
    ASSERT_EQ(catalogue.scalar("SELECT autore || ' | ' || titolo FROM dorvi WHERE iddorvo = 1"),
              "Rick Riordan | The Lightning Thief");
    ASSERT_TRUE(grid->model()->setData(grid->model()->index(4, 1), QStringLiteral("Rick Riordan")));
    ASSERT_TRUE(grid->model()->setData(grid->model()->index(4, 2), QStringLiteral("The lightning thief")));
    EXPECT_TRUE(NoticeLine::of(window).text().startsWith(
        QStringLiteral("Già nel catalogo: «The Lightning Thief» di Rick Riordan, n. 1.")))
        << NoticeLine::of(window).text().toStdString();
}

// Esc while the services are still silent: the lookups are dropped with the
// dialog, nothing is written, and no late answer reaches a closed preview.
TEST_F(CompletionCommand, EscWhileTheServicesAreSilentClosesWithNothingWritten)
{
    LoopbackServer silent([](const QUrl&) {
        ScriptedReply reply;
        reply.silent = true;
        return reply;
    });
    pointServicesAt(silent.url());
    trigger("mnuop");
    chooseRows({0});
    services.dialogScript = [&](QDialog& dialog) {
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        ASSERT_TRUE(waitFor([&] { return !silent.seen().empty(); }));
        QTest::keyClick(&dialog, Qt::Key_Escape);
    };
    trigger("mnucompleta");
    EXPECT_EQ(services.dialogsRun, 1);
    QTest::qWait(100);
    EXPECT_EQ(firstBook(), untouched);
    EXPECT_TRUE(services.errors.empty());
    EXPECT_EQ(undoCaption(), QStringLiteral("&Annulla"));
}
