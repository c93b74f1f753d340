// Covers: kept in the catalogue beside the books, taken and brought back with
// their books, and set, shown, copied and taken away on the book card.
#include "bookcard.h"
#include "coverfield.h"
#include "covers.h"
#include "datagrid.h"
#include "fakes.h"
#include "frmdorvi.h"
#include "history.h"
#include "testcatalogue.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QImage>
#include <QImageWriter>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <sqlite3.h>

namespace {

std::string pngOf(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkRed);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toStdString();
}

QString fileWith(const TestCatalogue& catalogue, const char* name, const QByteArray& bytes)
{
    const QString path = catalogue.folder() + "/" + name;
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    return path;
}

bool hasTable(const TestCatalogue& catalogue)
{
    return catalogue.scalar("SELECT count(*) FROM sqlite_schema WHERE name = 'copertine'") == "1";
}

void giveCover(const TestCatalogue& catalogue, std::int64_t book, const std::string& image)
{
    catalogue::DatabaseHandle db = openDatabase(catalogue.path());
    catalogue::storeCover(db.get(), book, image, "image/png", "prova");
}

std::string coverOf(const TestCatalogue& catalogue, std::int64_t book)
{
    catalogue::DatabaseHandle db = openDatabase(catalogue.path());
    const std::optional<catalogue::Cover> cover = catalogue::readCover(db.get(), book);
    return cover ? cover->image : "(nessuna)";
}

// The books of the catalogue in a result with the undo history, as the grid holds them.
struct Shown {
    explicit Shown(const TestCatalogue& catalogue)
        : rows(openRecordset(catalogue.path(), "SELECT * FROM dorvi ORDER BY iddorvo"))
    {
        rows->setHistory(history);
    }
    std::shared_ptr<catalogue::History> history = std::make_shared<catalogue::History>();
    std::shared_ptr<catalogue::Recordset> rows;
};

} // namespace

// A deletion takes the covers of its books, and Annulla puts them back with the
// books; Ripeti takes them again. The covers of the books left stay.
TEST(CoversWithTheirBooks, DeletionTakesTheCoverAndAnnullaBringsItBack)
{
    TestCatalogue catalogue;
    const std::string first = pngOf(20, 30), third = pngOf(40, 60);
    giveCover(catalogue, 1, first);
    giveCover(catalogue, 3, third);
    Shown shown(catalogue);
    ASSERT_TRUE(shown.rows->remove(std::vector<std::size_t>{0, 1}));
    EXPECT_EQ(coverOf(catalogue, 1), "(nessuna)");
    EXPECT_EQ(coverOf(catalogue, 3), third);
    EXPECT_EQ(shown.history->undoText(), "eliminazione di 2 libri") << "one step, named for the books";

    ASSERT_TRUE(shown.history->undo(*shown.rows));
    EXPECT_EQ(catalogue.scalar("SELECT count(*) FROM dorvi"), "5");
    EXPECT_EQ(coverOf(catalogue, 1), first);
    EXPECT_EQ(catalogue.scalar("SELECT tipo || ' ' || fonte FROM copertine WHERE iddorvo = 1"), "image/png prova");
    EXPECT_FALSE(shown.history->canUndo());

    ASSERT_TRUE(shown.history->redo(*shown.rows));
    EXPECT_EQ(coverOf(catalogue, 1), "(nessuna)");
    ASSERT_TRUE(shown.history->undo(*shown.rows));
    EXPECT_EQ(coverOf(catalogue, 1), first);
}

// Most of a large catalogue deleted goes in one statement and the rest put back;
// the covers go with their books all the same.
TEST(CoversWithTheirBooks, ADeletionOfMostBooksTakesTheirCoversToo)
{
    TestCatalogue catalogue;
    catalogue.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 200) "
                   "INSERT INTO dorvi (autore, titolo) SELECT 'Autore ' || i, 'Titolo ' || i FROM n");
    giveCover(catalogue, 2, pngOf(10, 10));
    giveCover(catalogue, 150, pngOf(12, 12));
    Shown shown(catalogue);
    std::vector<std::size_t> rows;
    for (std::size_t row = 1; row < shown.rows->rowCount(); ++row)
        rows.push_back(row);
    ASSERT_TRUE(shown.rows->remove(rows));
    EXPECT_EQ(catalogue.scalar("SELECT count(*) FROM dorvi"), "1");
    EXPECT_EQ(catalogue.scalar("SELECT count(*) FROM copertine"), "0");
    ASSERT_TRUE(shown.history->undo(*shown.rows));
    EXPECT_EQ(catalogue.scalar("SELECT group_concat(iddorvo) FROM copertine"), "2,150");
}

// The undo of a deletion refused because another book now has the key leaves that
// other book's cover alone: the covers go back only after their books.
TEST(CoversWithTheirBooks, ARefusedUndoTouchesNoOtherBooksCover)
{
    TestCatalogue catalogue;
    const std::string deleted = pngOf(10, 10), newcomer = pngOf(30, 30);
    giveCover(catalogue, 5, deleted);
    Shown shown(catalogue);
    ASSERT_TRUE(shown.rows->remove(std::vector<std::size_t>{4}));
    catalogue.exec("INSERT INTO dorvi (iddorvo, autore, titolo) VALUES (5, 'Altro', 'Un altro libro')");
    giveCover(catalogue, 5, newcomer);
    EXPECT_ANY_THROW(shown.history->undo(*shown.rows));
    EXPECT_EQ(coverOf(catalogue, 5), newcomer);
    EXPECT_TRUE(shown.history->canUndo()) << "kept, to be tried again";
}

// A file made by another tool may have iddorvo as a plain column, typed, with no
// index: the covers still go with their books, and only theirs.
TEST(CoversWithTheirBooks, ACatalogueWithoutAKeyLosesOnlyTheCoversOfItsDeletedBooks)
{
    TestCatalogue catalogue;
    catalogue.exec("CREATE TABLE libri AS SELECT * FROM dorvi; DROP TABLE dorvi; "
                   "CREATE TABLE dorvi (iddorvo INT, autore TEXT, titolo TEXT, genere TEXT); "
                   "INSERT INTO dorvi SELECT * FROM libri; DROP TABLE libri");
    giveCover(catalogue, 2, pngOf(10, 10));
    giveCover(catalogue, 4, pngOf(11, 11));
    Shown shown(catalogue);
    ASSERT_TRUE(shown.rows->remove(std::vector<std::size_t>{1}));
    EXPECT_EQ(catalogue.scalar("SELECT group_concat(iddorvo) FROM copertine"), "4");
    ASSERT_TRUE(shown.history->undo(*shown.rows));
    EXPECT_EQ(catalogue.scalar("SELECT group_concat(iddorvo) FROM copertine"), "2,4");
}

// A catalogue never given a cover stays as it was: reading, deleting and undoing
// make no table.
TEST(CoversWithTheirBooks, ACatalogueWithoutCoversGetsNoTable)
{
    TestCatalogue catalogue;
    Shown shown(catalogue);
    ASSERT_TRUE(shown.rows->remove(std::vector<std::size_t>{0}));
    ASSERT_TRUE(shown.history->undo(*shown.rows));
    EXPECT_EQ(coverOf(catalogue, 1), "(nessuna)");
    EXPECT_FALSE(hasTable(catalogue));
    catalogue::DatabaseHandle db = openDatabase(catalogue.path());
    EXPECT_ANY_THROW(catalogue::storeCover(db.get(), 1, "", "image/png", "vuota"));
    EXPECT_FALSE(hasTable(catalogue)) << "an empty image is no cover";
}

namespace {

// The card the window opens, on the catalogue's first book, in Gestione or not.
class CoverCard : public ::testing::Test {
protected:
    TestCatalogue catalogue;
    FakeWindowServices services{catalogue.folder()};
    Frmdorvi window{services};

    void openCard(const std::function<void(BookCard&, CoverField&)>& play, bool editing = true)
    {
        if (editing)
            window.findChild<QAction*>("mnuop")->trigger();
        else
            window.findChild<QAction*>("mnuall")->trigger();
        bool played = false;
        services.dialogScript = [&](QDialog& dialog) {
            auto* card = qobject_cast<BookCard*>(&dialog);
            ASSERT_TRUE(card);
            auto* cover = card->findChild<CoverField*>();
            ASSERT_TRUE(cover);
            play(*card, *cover);
            played = true;
        };
        window.findChild<QAction*>("mnuscheda")->trigger();
        ASSERT_TRUE(played);
    }
    void undo() { window.findChild<QAction*>("mnuannulla")->trigger(); }
};

} // namespace

// A file chosen with "Scegli copertina…" becomes the book's cover, scaled down to
// 600 pixels high; Annulla takes it away again.
TEST_F(CoverCard, AFileChosenBecomesTheCoverScaledDown)
{
    services.fileAnswers.push_back(fileWith(catalogue, "alta.png", QByteArray::fromStdString(pngOf(400, 1200))));
    openCard([&](BookCard&, CoverField& cover) {
        ASSERT_TRUE(cover.chooseButton()->isEnabled());
        cover.chooseButton()->click();
        EXPECT_FALSE(cover.picture()->pixmap().isNull()) << "shown at once";
        EXPECT_TRUE(cover.removeButton()->isEnabled());
    });
    ASSERT_EQ(services.fileDialogs.size(), 1u);
    EXPECT_EQ(catalogue.scalar("SELECT tipo || ' ' || fonte FROM copertine WHERE iddorvo = 1"),
              "image/png file alta.png");
    const QImage stored = QImage::fromData(QByteArray::fromStdString(coverOf(catalogue, 1)));
    EXPECT_EQ(stored.size(), QSize(200, 600));
    undo();
    EXPECT_EQ(coverOf(catalogue, 1), "(nessuna)");
}

// A JPEG scaled down stays a JPEG, and says so.
TEST_F(CoverCard, ATallJpegStaysAJpeg)
{
    if (!QImageWriter::supportedImageFormats().contains("jpeg"))
        GTEST_SKIP() << "Qt here writes no JPEG";
    QImage tall(300, 1500, QImage::Format_RGB32);
    tall.fill(Qt::darkBlue);
    const QString path = catalogue.folder() + "/alta.jpg";
    ASSERT_TRUE(tall.save(path, "JPEG"));
    services.fileAnswers.push_back(path);
    openCard([&](BookCard&, CoverField& cover) { cover.chooseButton()->click(); });
    EXPECT_EQ(catalogue.scalar("SELECT tipo FROM copertine WHERE iddorvo = 1"), "image/jpeg");
    const QByteArray stored = QByteArray::fromStdString(coverOf(catalogue, 1));
    EXPECT_TRUE(stored.startsWith("\xFF\xD8")) << "JPEG bytes";
    EXPECT_EQ(QImage::fromData(stored).size(), QSize(120, 600));
}

// An image no taller than 600 pixels is kept byte for byte as received.
TEST_F(CoverCard, ASmallImageIsKeptAsReceived)
{
    const std::string bytes = pngOf(100, 150);
    services.fileAnswers.push_back(fileWith(catalogue, "piccola.png", QByteArray::fromStdString(bytes)));
    openCard([&](BookCard&, CoverField& cover) { cover.chooseButton()->click(); });
    EXPECT_EQ(coverOf(catalogue, 1), bytes);
}

// What is no JPEG or PNG image is refused with a clear word, and nothing is
// written: not even the covers' table.
TEST_F(CoverCard, NotAnImageIsRefusedAndNothingWritten)
{
    services.fileAnswers.push_back(fileWith(catalogue, "note.txt", "Questo non è un'immagine."));
    services.fileAnswers.push_back(fileWith(catalogue, "rotta.png", QByteArray::fromStdString(pngOf(50, 50)).left(40)));
    QImage gif(20, 20, QImage::Format_RGB32);
    gif.fill(Qt::blue);
    const QString bmp = catalogue.folder() + "/figura.bmp";
    gif.save(bmp, "BMP");
    services.fileAnswers.push_back(bmp);
    openCard([&](BookCard&, CoverField& cover) {
        for (int i = 0; i < 3; ++i)
            cover.chooseButton()->click();
        EXPECT_TRUE(cover.picture()->pixmap().isNull());
    });
    ASSERT_EQ(services.informations.size(), 3u);
    EXPECT_EQ(services.informations[0].text,
              "Il file «note.txt» non è un'immagine JPEG o PNG: la copertina non è stata cambiata.");
    EXPECT_EQ(services.informations[0].title, "Copertina");
    EXPECT_TRUE(services.informations[1].text.contains("rotta.png"));
    EXPECT_TRUE(services.informations[2].text.contains("figura.bmp"));
    EXPECT_FALSE(hasTable(catalogue));
    EXPECT_FALSE(window.findChild<QAction*>("mnuannulla")->isEnabled()) << "nothing to take back";
}

// Ctrl+C on the cover puts the image on the clipboard; "Togli copertina" takes it
// away without a question, and one Annulla brings it back.
TEST_F(CoverCard, CtrlCCopiesTheImageAndTogliTakesItAway)
{
    const std::string bytes = pngOf(60, 90);
    giveCover(catalogue, 1, bytes);
    QGuiApplication::clipboard()->clear();
    openCard([&](BookCard&, CoverField& cover) {
        cover.picture()->setFocus();
        QTest::keyClick(cover.picture(), Qt::Key_C, Qt::ControlModifier);
        const QImage copied = QGuiApplication::clipboard()->image();
        EXPECT_EQ(copied.size(), QSize(60, 90));
        EXPECT_EQ(QGuiApplication::clipboard()->mimeData()->data("image/png").toStdString(), bytes);
        cover.removeButton()->click();
        EXPECT_TRUE(cover.picture()->pixmap().isNull());
        EXPECT_FALSE(cover.removeButton()->isEnabled());
    });
    EXPECT_TRUE(services.confirmations.empty());
    EXPECT_EQ(coverOf(catalogue, 1), "(nessuna)");
    undo();
    EXPECT_EQ(coverOf(catalogue, 1), bytes);
}

// An image dropped on the card sets the cover, as a file or as an image handed over.
TEST_F(CoverCard, AnImageDroppedOnTheCardBecomesTheCover)
{
    const QString path = fileWith(catalogue, "trascinata.png", QByteArray::fromStdString(pngOf(30, 45)));
    openCard([&](BookCard& card, CoverField&) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&card, &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&card, &drop);
        card.showNext();
        ASSERT_EQ(card.row(), 1);
        QMimeData image;
        QImage wide(900, 700, QImage::Format_RGB32);
        wide.fill(Qt::green);
        image.setImageData(wide);
        ASSERT_TRUE(image.hasImage());
        QDragEnterEvent enterImage(QPoint(5, 5), Qt::CopyAction, &image, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&card, &enterImage);
        QDropEvent dropImage(QPointF(5, 5), Qt::CopyAction, &image, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&card, &dropImage);
    });
    EXPECT_EQ(QImage::fromData(QByteArray::fromStdString(coverOf(catalogue, 1))).size(), QSize(30, 45));
    EXPECT_EQ(QImage::fromData(QByteArray::fromStdString(coverOf(catalogue, 2))).height(), 600);
    EXPECT_TRUE(services.informations.empty());
    EXPECT_TRUE(services.errors.empty());
}

// Outside Gestione the cover is only shown; in Gestione each control is named for a
// screen reader and reached by Tab from the card's fields.
TEST_F(CoverCard, ReadOnlyOutsideGestioneAndEveryControlNamedAndReachedByTab)
{
    giveCover(catalogue, 1, pngOf(20, 20));
    openCard(
        [&](BookCard&, CoverField& cover) {
            EXPECT_FALSE(cover.picture()->pixmap().isNull());
            EXPECT_FALSE(cover.chooseButton()->isEnabled());
            EXPECT_FALSE(cover.removeButton()->isEnabled());
            cover.removeCover();
        },
        false);
    EXPECT_EQ(coverOf(catalogue, 1), pngOf(20, 20));
    openCard([&](BookCard& card, CoverField& cover) {
        card.show();
        QStringList names;
        QWidget* at = card.editor("titolo");
        for (int step = 0; step < 40 && names.size() < 3; ++step) {
            at = at->nextInFocusChain();
            if (at == cover.picture() || at == cover.chooseButton() || at == cover.removeButton())
                names << at->accessibleName();
        }
        EXPECT_EQ(names, (QStringList{"Copertina", "Scegli copertina", "Togli copertina"}));
        EXPECT_TRUE(cover.picture()->focusPolicy() & Qt::TabFocus);
        QStringList keys;
        for (QAbstractButton* button : card.findChildren<QAbstractButton*>()) {
            const qsizetype at = button->text().indexOf('&');
            if (at >= 0 && at + 1 < button->text().size())
                keys << button->text().mid(at + 1, 1).toLower();
        }
        EXPECT_EQ(keys.removeDuplicates(), 0) << "each Alt key presses one button: " << keys.join(",").toStdString();
        EXPECT_TRUE(cover.picture()->accessibleDescription().contains("20 × 20"));
    });
}

// The grid's columns stay those of the file's books, and a CSV export of a
// catalogue with covers carries none of their bytes.
TEST_F(CoverCard, TheGridAndTheExportLeaveCoversOut)
{
    giveCover(catalogue, 1, pngOf(20, 20));
    window.findChild<QAction*>("mnuall")->trigger();
    auto* grid = window.findChild<DataGrid*>();
    ASSERT_TRUE(grid);
    QStringList columns;
    for (int c = 0; c < grid->model()->columnCount(); ++c)
        columns << grid->model()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString().toLower();
    EXPECT_FALSE(columns.join(",").contains("immagine"));
    EXPECT_FALSE(columns.join(",").contains("copertin"));
    const QString csv = catalogue.folder() + "/catalogo.csv";
    services.fileAnswers.push_back(csv);
    window.findChild<QAction*>("mnuesportacsv")->trigger();
    QFile file(csv);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray exported = file.readAll();
    EXPECT_TRUE(exported.startsWith("\xEF\xBB\xBFiddorvo;autore;titolo;genere\r\n")) << exported.left(80).toStdString();
    EXPECT_FALSE(exported.contains("PNG"));
    EXPECT_EQ(exported.count('\n'), 6);
}
