// The summary: its counts on plain files, the window's bars, its pages and the
// command that lists a bar's books.
#include "barchart.h"
#include "fakes.h"
#include "frmdorvi.h"
#include "librarysummary.h"
#include "summarydialog.h"
#include "summarypages.h"
#include "summarytools.h"
#include "testcatalogue.h"
#include "windowonfakes.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QBuffer>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QLabel>
#include <QPdfWriter>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

catalogue::LibrarySummary summaryOf(const TestCatalogue& books)
{
    sqlite3* raw = nullptr;
    sqlite3_open(books.path().c_str(), &raw);
    const catalogue::DatabaseHandle db(raw);
    return catalogue::summarize(db.get());
}

std::string shown(const catalogue::SummarySection& section)
{
    std::string text;
    for (const catalogue::SummaryCount& count : section.counts)
        text += count.label + "=" + std::to_string(count.books) + " ";
    return text;
}

// Each bar's condition lists exactly the books it counts.
void expectConditionsListTheirBooks(const TestCatalogue& books, const catalogue::SummarySection& section)
{
    for (const catalogue::SummaryCount& count : section.counts)
        EXPECT_EQ(books.scalar("SELECT count(*) FROM dorvi WHERE " + count.where), std::to_string(count.books))
            << section.title << ": " << count.label;
}

QTableWidget* genreTable(QDialog& dialog)
{
    for (QTableWidget* table : dialog.findChildren<QTableWidget*>()) {
        if (table->accessibleName() == QStringLiteral("Per genere"))
            return table;
    }
    return nullptr;
}

} // namespace

TEST(SummaryCounts, CountEachFieldMostFirstWithBlanksApartAndConditionsThatListThem)
{
    TestCatalogue books;
    books.exec("ALTER TABLE dorvi ADD COLUMN anno INTEGER; ALTER TABLE dorvi ADD COLUMN collocazione TEXT;"
               "ALTER TABLE dorvi ADD COLUMN letto INTEGER;"
               "UPDATE dorvi SET anno = 1827, collocazione = 'Sala', letto = 1 WHERE iddorvo = 1;"
               "UPDATE dorvi SET anno = 1889, collocazione = 'sala', letto = 0 WHERE iddorvo = 2;"
               "UPDATE dorvi SET anno = 1880 WHERE iddorvo = 3;"
               "UPDATE dorvi SET anno = -5, collocazione = '  ' WHERE iddorvo = 4;"
               "INSERT INTO dorvi (autore, titolo, genere, anno) VALUES ('Anonimo', 'L''Odissea', NULL, 'ignoto');");
    const catalogue::LibrarySummary summary = summaryOf(books);
    EXPECT_EQ(summary.books, 6);
    ASSERT_EQ(summary.sections.size(), 5u);
    EXPECT_EQ(summary.sections[0].counts.front().label, "Romanzo");
    EXPECT_EQ(summary.sections[1].counts.front().label, "Gabriele D'Annunzio");
    EXPECT_EQ(shown(summary.sections[2]), "10–1 a.C.=1 1820–1829=1 1880–1889=2 (senza anno)=2 ");
    EXPECT_EQ(shown(summary.sections[3]).find("(senza collocazione)=4"), 0u); // blank and NULL alike
    EXPECT_EQ(shown(summary.sections[4]), "Letti=1 Non letti=1 Non detto=4 ");
    for (const catalogue::SummarySection& section : summary.sections)
        expectConditionsListTheirBooks(books, section);
}

// A read mark that is no number (kept as given by an import) or another number
// counts on the bar whose condition lists it, so the bars add up to the listings.
TEST(SummaryCounts, AReadMarkThatIsNoNumberCountsWhereItsBarListsIt)
{
    TestCatalogue books;
    books.exec("ALTER TABLE dorvi ADD COLUMN letto INTEGER;"
               "UPDATE dorvi SET letto = 'sì' WHERE iddorvo = 1;"
               "UPDATE dorvi SET letto = 2 WHERE iddorvo = 2;"
               "UPDATE dorvi SET letto = 0.0 WHERE iddorvo = 3;");
    const catalogue::LibrarySummary summary = summaryOf(books);
    ASSERT_EQ(summary.sections.size(), 5u);
    EXPECT_EQ(shown(summary.sections[4]), "Letti=2 Non letti=1 Non detto=2 ");
    expectConditionsListTheirBooks(books, summary.sections[4]);
}

// Grouped as the searches compare: letter case ignored, accents kept; a genere's
// values between commas counted once each for their book; an author's comma kept.
TEST(SummaryCounts, ValuesGroupAsTheSearchesCompareAndAGenreListCountsEachOfItsValues)
{
    TestCatalogue books({{"Rossi, Mario", "A", "Science Fiction"},
                         {"rossi, mario", "B", "science fiction"},
                         {"Bianchi", "C", "Science Fiction, giallo"},
                         {"Verdi", "D", "Giallo,  giallo,"},
                         {"Verdi", "E", "Città"},
                         {"Verdi", "F", "CITTÀ"},
                         {"Verdi", "F2", "Città"},
                         {"Verdi", "G", "citta"},
                         {"Verdi", "H", " , "},
                         {"Verdi", "I", ""}});
    books.exec("INSERT INTO dorvi (autore, titolo, genere) VALUES ('Neri', 'J', NULL),"
               "('Neri', 'K', CAST(X'47C3' AS TEXT))"); // a value that is not UTF-8
    const catalogue::LibrarySummary summary = summaryOf(books);
    EXPECT_EQ(shown(summary.sections[0]),
              "Città=3 Science Fiction=3 (senza genere)=3 Giallo=2 citta=1 G\xC3=1 ");
    EXPECT_EQ(shown(summary.sections[1]), "Verdi=7 Neri=2 Rossi, Mario=2 Bianchi=1 ");
    for (const catalogue::SummarySection& section : summary.sections)
        expectConditionsListTheirBooks(books, section);
    EXPECT_FALSE(summary.sections[0].counts[1].apart);
    EXPECT_TRUE(summary.sections[0].counts[2].apart);
}

TEST(SummaryCounts, AFieldTheCatalogueLacksIsNamedAndTheAuthorsStopAtTwenty)
{
    TestCatalogue::Books many;
    for (int author = 0; author < 25; ++author)
        for (int book = 0; book <= author % 3; ++book)
            many.push_back({"Autore " + std::to_string(author), "Titolo " + std::to_string(book), "Romanzo"});
    TestCatalogue books(many);
    const catalogue::LibrarySummary summary = summaryOf(books);
    EXPECT_EQ(summary.sections[1].counts.size(), 20u);
    EXPECT_EQ(summary.sections[1].counts.front().books, 3);
    EXPECT_EQ(summary.sections[2].missing, "anno");
    EXPECT_EQ(summary.sections[3].missing, "collocazione");
    EXPECT_EQ(summary.sections[4].missing, "letto");
    EXPECT_TRUE(summary.sections[4].counts.empty());
}

TEST(SummaryCounts, DecadesRoundDownBeforeChrist)
{
    EXPECT_EQ(catalogue::decadeOf(1987), 1980);
    EXPECT_EQ(catalogue::decadeOf(1980), 1980);
    EXPECT_EQ(catalogue::decadeOf(0), 0);
    EXPECT_EQ(catalogue::decadeOf(-1), -10);
    EXPECT_EQ(catalogue::decadeOf(-10), -10);
    EXPECT_EQ(catalogue::decadeOf(-1750), -1750);
    EXPECT_EQ(catalogue::decadeLabel(-1750), "1750–1741 a.C.");
    EXPECT_EQ(catalogue::decadeLabel(-10), "10–1 a.C.");
    EXPECT_EQ(catalogue::decadeLabel(0), "0–9");
    EXPECT_EQ(catalogue::decadeLabel(1980), "1980–1989");
}

// Years no book has, from a damaged file, at the very ends of the integers: each
// is counted, and its decade's condition lists it.
TEST(SummaryCounts, YearsAtTheEndsOfTheIntegersKeepTheirDecade)
{
    TestCatalogue books;
    books.exec("ALTER TABLE dorvi ADD COLUMN anno INTEGER;"
               "UPDATE dorvi SET anno = 9223372036854775807 WHERE iddorvo = 1;"
               "UPDATE dorvi SET anno = -9223372036854775807 - 1 WHERE iddorvo = 2;");
    const catalogue::SummarySection decades = summaryOf(books).sections[2];
    EXPECT_EQ(shown(decades), "9223372036854775808–9223372036854775799 a.C.=1 9223372036854775800–9223372036854775807=1 "
                              "(senza anno)=3 ");
    expectConditionsListTheirBooks(books, decades);
}

TEST(SummaryChart, AClickOnABarChoosesItAndTheKeyboardReachesEveryBar)
{
    BarChart chart({{"Romanzo", 3, "a"}, {"Poesia", 1, "b"}});
    chart.resize(chart.sizeHint());
    std::vector<std::string> chosen;
    chart.setOnChosen([&](const catalogue::SummaryCount& count) { chosen.push_back(count.where); });
    const int bar = chart.height() / 2;
    QTest::mouseClick(&chart, Qt::LeftButton, {}, QPoint(chart.width() / 2, bar + bar / 2));
    QTest::mouseClick(&chart, Qt::LeftButton, {}, QPoint(5, chart.height() + 10)); // below the bars: nothing
    QTest::keyClick(&chart, Qt::Key_Down);
    QTest::keyClick(&chart, Qt::Key_Down);
    QTest::keyClick(&chart, Qt::Key_Up);
    QTest::keyClick(&chart, Qt::Key_Return);
    EXPECT_EQ(chosen, (std::vector<std::string>{"b", "a"}));
}

// The bars a screen reader walks: each named with its books, the current one
// the list's focused item as the arrows reach it.
TEST(SummaryChart, EachBarIsAnItemAScreenReaderHearsAsTheArrowsMove)
{
    BarChart chart({{"Giallo", 38, "a"}, {"Poesia", 1, "b"}});
    chart.setAccessibleName("Per genere");
    chart.resize(chart.sizeHint());
    chart.show();
    chart.activateWindow();
    chart.setFocus();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&chart));
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(&chart);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->role(), QAccessible::List);
    EXPECT_EQ(list->text(QAccessible::Name), "Per genere");
    ASSERT_EQ(list->childCount(), 2);
    EXPECT_EQ(list->child(0)->text(QAccessible::Name), "Giallo: 38 libri");
    EXPECT_EQ(list->child(1)->text(QAccessible::Name), "Poesia: 1 libro");
    EXPECT_EQ(list->indexOfChild(list->child(1)), 1);
    ASSERT_NE(list->focusChild(), nullptr);
    EXPECT_TRUE(list->focusChild()->state().focused);

    QTest::keyClick(&chart, Qt::Key_Down);
    EXPECT_EQ(list->focusChild()->text(QAccessible::Name), "Poesia: 1 libro");
    EXPECT_TRUE(list->child(1)->state().selected);
    EXPECT_FALSE(list->child(0)->state().focused);

    std::vector<std::string> chosen;
    chart.setOnChosen([&](const catalogue::SummaryCount& count) { chosen.push_back(count.where); });
    QAccessibleActionInterface* press = list->child(0)->actionInterface();
    ASSERT_NE(press, nullptr);
    press->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(chosen, std::vector<std::string>{"a"});
    EXPECT_EQ(list->focusChild()->text(QAccessible::Name), "Giallo: 38 libri");
}

// Count the pixels of a bar's colour on each line of an image.
std::vector<int> barPixelsByLine(const QImage& image)
{
    std::vector<int> lines;
    const QRgb bar = QColor(0x4a, 0x90, 0xd9).rgb();
    for (int y = 0; y < image.height(); ++y) {
        int pixels = 0;
        for (int x = 0; x < image.width(); ++x)
            pixels += image.pixel(x, y) == bar ? 1 : 0;
        lines.push_back(pixels);
    }
    return lines;
}

// A thousand books without a genere would make hairlines of the others: their count
// is listed without a bar, and the largest genre takes the whole room.
TEST(SummaryChart, BooksWithoutAValueStayOutOfTheScale)
{
    BarChart chart({{"(senza genere)", 1000, "a", true}, {"Giallo", 10, "b"}, {"Noir", 5, "c"}});
    chart.resize(600, chart.sizeHint().height());
    const std::vector<int> lines = barPixelsByLine(chart.grab().toImage());
    const int third = static_cast<int>(lines.size()) / 3;
    const int blank = *std::max_element(lines.begin(), lines.begin() + third);
    const int giallo = *std::max_element(lines.begin() + third, lines.begin() + 2 * third);
    const int noir = *std::max_element(lines.begin() + 2 * third, lines.end());
    EXPECT_EQ(blank, 0);
    EXPECT_GT(giallo, 600 / 3);
    EXPECT_NEAR(noir, giallo / 2, 2);
}

// A count longer than a page keeps one scale on every page: a decade of one book
// on one page is not drawn longer than a decade of 46 on the next.
TEST(SummaryPagesTest, AChartOverSeveralPagesKeepsOneScale)
{
    catalogue::SummarySection decades{"Per decennio di pubblicazione", "Anni", "", {}};
    for (int decade = 0; decade < 120; ++decade)
        decades.counts.push_back({std::to_string(1000 + 10 * decade), decade < 80 ? 1 : 46, "1"});
    SummaryPages pages({80 + 40 * 46, {decades}}, QDate(2026, 12, 8));
    const QSizeF page(6000, 8500);
    QImage image(600, 850 * 4, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.scale(0.1, 0.1);
        pages.paintPages(painter, page, [&] { painter.translate(0, page.height()); });
    }
    ASSERT_GE(pages.pageCount(), 3);
    ASSERT_LE(pages.pageCount(), 4);
    const std::vector<int> lines = barPixelsByLine(image);
    const int longest = *std::max_element(lines.begin(), lines.end());
    const auto longLines = std::count_if(lines.begin(), lines.end(), [&](int n) { return n > longest / 2; });
    const auto shortLines = std::count_if(lines.begin(), lines.end(), [&](int n) { return n > 0 && n <= longest / 2; });
    EXPECT_GT(longest, 200);
    // 80 short bars against 40 long ones, whatever page each fell on.
    EXPECT_NEAR(static_cast<double>(shortLines) / static_cast<double>(longLines), 2.0, 0.2);
}

TEST(SummaryPagesTest, TheCountsGoOnA4PagesNumberedAsTheListsAre)
{
    TestCatalogue::Books many;
    for (int genre = 0; genre < 150; ++genre)
        many.push_back({"Autore", "Titolo", "Genere " + std::to_string(genre)});
    SummaryPages pages(summaryOf(TestCatalogue(many)), QDate(2026, 12, 8));
    EXPECT_EQ(pages.pageLayout().pageSize().id(), QPageSize::A4);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setPageLayout(pages.pageLayout());
    writer.setResolution(300);
    ASSERT_TRUE(pages.paint(writer));
    EXPECT_GE(pages.pageCount(), 3); // 150 genres cannot fit on one or two pages
    EXPECT_GT(buffer.size(), 1000);
}

TEST(SummaryCommand, ABarChosenListsItsBooksTheWindowStaysOpenAndTheLineSaysWhatIsListed)
{
    WindowOnFakes fixture;
    fixture.trigger("mnuall");
    QStringList missing;
    int resultAfterChoice = -1;
    fixture.services.dialogScript = [&](QDialog& dialog) {
        for (const QLabel* label : dialog.findChildren<QLabel*>(QStringLiteral("campomancante")))
            missing << label->text();
        QTableWidget* genres = genreTable(dialog);
        ASSERT_NE(genres, nullptr);
        const QList<QTableWidgetItem*> romanzo = genres->findItems(QStringLiteral("Romanzo"), Qt::MatchExactly);
        ASSERT_EQ(romanzo.size(), 1);
        genres->setCurrentItem(romanzo.front());
        QTest::keyClick(genres, Qt::Key_Return);
        resultAfterChoice = dialog.result();
    };
    fixture.trigger("mnuriepilogo");
    EXPECT_EQ(missing.size(), 3);
    EXPECT_TRUE(fixture.services.errors.empty());
    EXPECT_EQ(resultAfterChoice, 0); // neither accepted nor closed: the next bar can be chosen
    EXPECT_EQ(fixture.window.str, QStringLiteral("SELECT * FROM dorvi WHERE \"genere\" COLLATE BINARY IN ('Romanzo');"));
    ASSERT_TRUE(fixture.grid.dataSource);
    EXPECT_EQ(fixture.grid.dataSource->rowCount(), 2u);
    EXPECT_FALSE(fixture.grid.allowUpdate); // listed in the mode the grid was in
    const auto* notice = fixture.window.findChild<QLabel*>(QStringLiteral("rigaavvisi"));
    ASSERT_NE(notice, nullptr);
    EXPECT_EQ(notice->text(), QStringLiteral("Genere «Romanzo»: 2 libri"));
}

namespace {

catalogue::LibrarySummary twoSections()
{
    catalogue::SummarySection genres{"Per genere", "Genere", "", {}};
    for (const char* genre : {"Giallo", "Noir", "Poesia"})
        genres.counts.push_back({genre, 3, "1"});
    catalogue::SummarySection shelves{"Per collocazione", "Collocazione", "", {}};
    for (int shelf = 0; shelf < 40; ++shelf)
        shelves.counts.push_back({"Scaffale " + std::to_string(shelf), 1, "1"});
    return {43, {genres, shelves}};
}

} // namespace

// The window with the keyboard alone: it opens on the first table, a short table
// needs no scroll bar, and Tab goes through every table and chart to the buttons.
TEST(SummaryWindow, TheKeyboardStartsOnANamedTableAndTabLeavesEachTable)
{
    SummaryDialog dialog(twoSections(), {});
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    QWidget* first = QApplication::focusWidget();
    ASSERT_NE(first, nullptr);
    EXPECT_NE(qobject_cast<QTableWidget*>(first), nullptr);
    EXPECT_EQ(first->accessibleName(), "Per genere");

    auto* genres = static_cast<QTableWidget*>(first);
    EXPECT_FALSE(genres->verticalScrollBar()->isVisible());
    const QRect lastRow = genres->visualRect(genres->model()->index(2, 0));
    EXPECT_LE(lastRow.bottom(), genres->viewport()->height());

    QStringList reached;
    for (int tab = 0; tab < 8 && !qobject_cast<QPushButton*>(QApplication::focusWidget()); ++tab) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        reached << QApplication::focusWidget()->accessibleName();
    }
    EXPECT_EQ(reached, (QStringList{"Per genere", "Per collocazione", "Per collocazione", ""}))
        << reached.join(", ").toStdString();
    EXPECT_NE(qobject_cast<QPushButton*>(QApplication::focusWidget()), nullptr);
}

// Return on a table's row lists that row's books, as a click on its bar does, and
// presses none of the window's buttons.
TEST(SummaryWindow, ReturnOnARowListsItsBooksAndPressesNoButton)
{
    int saved = 0;
    QStringList listed;
    SummaryDialog dialog(twoSections(), {[&] { ++saved; }, {},
                                         [&](const catalogue::SummarySection& section, const catalogue::SummaryCount& count) {
                                             listed << QString::fromStdString(section.subject + " " + count.label);
                                         }});
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    auto* genres = qobject_cast<QTableWidget*>(QApplication::focusWidget());
    ASSERT_NE(genres, nullptr);
    QTest::keyClick(genres, Qt::Key_Down);
    QTest::keyClick(genres, Qt::Key_Return);
    EXPECT_EQ(listed, QStringList{"Genere Noir"});
    EXPECT_EQ(saved, 0);
    EXPECT_TRUE(dialog.isVisible());
}

TEST(SummaryWindow, TheLineUnderTheGridSaysWhatIsListed)
{
    const catalogue::SummarySection genres{"Per genere", "Genere", "", {}};
    const catalogue::SummarySection read{"Letti e non letti", "", "", {}};
    EXPECT_EQ(SummaryTools::listedText(genres, {"giallo", 312, ""}, 312), "Genere «giallo»: 312 libri");
    EXPECT_EQ(SummaryTools::listedText(genres, {"(senza genere)", 1, "", true}, 1), "Senza genere: 1 libro");
    EXPECT_EQ(SummaryTools::listedText(read, {"Letti", 1200, ""}, 1200), "Letti: 1.200 libri");
}
