// The window as a new user first meets it: the line under the grid that says how
// to begin, the size and place kept from one run to the next, the guide (F1) and
// "Informazioni su Gestione Dorvi".
#include "aboutdialog.h"
#include "engineversion.h"
#include "guidewindow.h"
#include "shownwindow.h"
#include "statuslabel.h"
#include "windowonfakes.h"
#include "windowplacement.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QTextBrowser>
#include <QTest>

#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

QSettings programSettings()
{
    return QSettings(QStringLiteral("Dorvi"), QStringLiteral("Gestione Dorvi"));
}

void forgetPlacement()
{
    QSettings settings = programSettings();
    settings.remove(QStringLiteral("finestra/posizione"));
    settings.remove(QStringLiteral("finestra/massimizzata"));
}

// The window's size as designed: the client area of 704×517 below the menu bar.
QSize designSize(QMainWindow& window)
{
    return QSize(704, 517 + window.menuBar()->sizeHint().height());
}

QLabel* statusLine(QWidget& window)
{
    return window.findChild<QLabel*>(QStringLiteral("lblstato"));
}

} // namespace

// The line under the grid, from the start to the first result.
class FirstStepsTest : public ShownWindowTest {};

TEST_F(FirstStepsTest, TheLineUnderTheGridSaysHowToBeginUntilAResultIsShown)
{
    QLabel* status = statusLine(window);
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->text(), firstStepsText) << "said whole, not cut, at the window's design size";
    EXPECT_TRUE(status->isVisible());
    EXPECT_EQ(window.findChild<QLabel*>(QStringLiteral("lblmodo"))->text(), QStringLiteral("Sola lettura"));

    trigger("mnucampi"); // a command that lists nothing: the way to begin is still the same
    EXPECT_EQ(status->text(), firstStepsText);

    trigger("mnutot");
    EXPECT_TRUE(status->text().isEmpty()) << "a count is a result: the first steps are over";
    trigger("mnuall");
    EXPECT_EQ(status->text(), booksText(TestCatalogue::sampleBooks.size()));
}

TEST_F(FirstStepsTest, AFirstCommandThatFailsLeavesTheFirstStepsSaid)
{
    ASSERT_TRUE(QFile::remove(QString::fromStdString(catalogue.path())));
    trigger("mnuall");
    EXPECT_EQ(services.errors.size(), 1u);
    EXPECT_EQ(statusLine(window)->text(), firstStepsText);
}

// Where the window was is found again on the screens there are now.
struct Placing {
    const char* name;
    QRect saved;
    QList<QRect> screens;
    std::optional<QRect> expected;
};

class PlaceOnScreensTest : public ::testing::TestWithParam<Placing> {};

TEST_P(PlaceOnScreensTest, KeepsTheWindowWithinReach)
{
    EXPECT_EQ(placeOnScreens(GetParam().saved, GetParam().screens), GetParam().expected);
}

const QRect desk(0, 0, 1366, 738);
const QRect right(1366, 0, 1920, 1050);

INSTANTIATE_TEST_SUITE_P(
    Screens, PlaceOnScreensTest,
    ::testing::Values(Placing{"Inside", QRect(100, 50, 900, 600), {desk}, QRect(100, 50, 900, 600)},
                      Placing{"NothingSaved", QRect(), {desk}, std::nullopt},
                      Placing{"OnAScreenSinceRemoved", QRect(2000, 100, 900, 600), {desk}, std::nullopt},
                      Placing{"AboveEveryScreen", QRect(100, -900, 900, 600), {desk}, std::nullopt},
                      Placing{"HalfOffTheRightEdge", QRect(1000, 100, 900, 600), {desk}, QRect(466, 100, 900, 600)},
                      Placing{"LargerThanTheScreenNow", QRect(0, 0, 1920, 1050), {desk}, desk},
                      Placing{"MostlyOnTheSecondScreen", QRect(1300, 10, 800, 600), {desk, right},
                              QRect(1366, 10, 800, 600)},
                      Placing{"OnTheSecondScreen", QRect(2000, 100, 900, 600), {desk, right},
                              QRect(2000, 100, 900, 600)}),
    [](const auto& info) { return std::string(info.param.name); });

// The window of the program, closed and made again as at the next start.
class WindowPlacementTest : public ::testing::Test {
protected:
    WindowPlacementTest() { forgetPlacement(); }
    ~WindowPlacementTest() override { forgetPlacement(); }

    TestCatalogue catalogue;
    FakeWindowServices services{catalogue.folder()};
};

TEST_F(WindowPlacementTest, WithNothingKeptTheWindowOpensAtItsDesignSize)
{
    Frmdorvi window(services);
    EXPECT_EQ(window.size(), designSize(window));
    EXPECT_FALSE(window.windowState().testFlag(Qt::WindowMaximized));
}

TEST_F(WindowPlacementTest, SizeAndPlaceComeBackAtTheNextStartAndTheGridKeepsItsPlace)
{
    const QRect chosen(40, 30, 760, 560);
    {
        Frmdorvi window(services);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        window.setGeometry(chosen);
        window.close();
    }
    Frmdorvi next(services);
    EXPECT_EQ(next.geometry(), chosen);
    EXPECT_EQ(next.findChild<QWidget*>(QStringLiteral("DataGrid1"))->geometry(), QRect(8, 8, 681, 393));
}

TEST_F(WindowPlacementTest, AMaximisedWindowOpensMaximisedAndKeepsItsNormalSize)
{
    const QRect chosen(20, 20, 720, 560);
    {
        Frmdorvi window(services);
        window.setGeometry(chosen);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        window.showMaximized();
        QCoreApplication::processEvents();
        window.close();
    }
    EXPECT_TRUE(programSettings().value(QStringLiteral("finestra/massimizzata")).toBool());
    EXPECT_EQ(programSettings().value(QStringLiteral("finestra/posizione")).toRect(), chosen);
    Frmdorvi next(services);
    EXPECT_TRUE(next.windowState().testFlag(Qt::WindowMaximized));
}

TEST_F(WindowPlacementTest, APlaceOffEveryScreenIsNotRestored)
{
    programSettings().setValue(QStringLiteral("finestra/posizione"), QRect(9000, 9000, 900, 650));
    Frmdorvi window(services);
    EXPECT_EQ(window.size(), designSize(window));
    EXPECT_TRUE(window.screen()->availableGeometry().intersects(window.geometry()));
}

// Strumenti › Guida and Informazioni, through the window's own commands.
class HelpTest : public ::testing::Test {
protected:
    WindowOnFakes w;

    GuideWindow* openGuide()
    {
        w.trigger("mnuguida");
        return w.window.findChild<GuideWindow*>();
    }
};

TEST_F(HelpTest, EveryCommandOfStrumentiIsInTheGuide)
{
    const QString guide = guideHtml();
    ASSERT_FALSE(guide.isEmpty()) << "the guide is shipped inside the program";
    for (const char* topic : {"Campi", "Importa", "Copie di sicurezza", "Presta", "ISBN", "prestato_il", "Doppioni"})
        EXPECT_TRUE(guide.contains(QString::fromUtf8(topic))) << topic;
    const auto* menu = w.window.findChild<QMenu*>(QStringLiteral("mnustrumenti"));
    for (QAction* action : menu->actions()) {
        if (action->isSeparator())
            continue;
        QString caption = action->text().remove(QLatin1Char('&')).remove(QStringLiteral("…"));
        caption = caption.section(QLatin1Char(' '), 0, 1); // "Annulla eliminazione di 3 libri" → "Annulla"
        EXPECT_TRUE(guide.contains(caption.trimmed())) << caption.toStdString();
    }
}

TEST_F(HelpTest, F1OpensOneGuideWindowBesideTheCatalogue)
{
    QAction* item = w.window.findChild<QAction*>(QStringLiteral("mnuguida"));
    ASSERT_NE(item, nullptr);
    EXPECT_TRUE(item->shortcuts().contains(QKeySequence(Qt::Key_F1)));
    GuideWindow* guide = openGuide();
    ASSERT_NE(guide, nullptr);
    EXPECT_TRUE(guide->isVisible());
    EXPECT_FALSE(guide->isModal()) << "the guide is read while the catalogue is used";
    guide->close();
    EXPECT_EQ(openGuide(), guide);
    EXPECT_TRUE(guide->isVisible());
    EXPECT_EQ(w.window.findChildren<GuideWindow*>().size(), 1);
}

TEST_F(HelpTest, TheGuidesSearchFindsForwardBackAndRoundAndSaysWhenNothingIs)
{
    GuideWindow* guide = openGuide();
    auto* search = guide->findChild<QLineEdit*>(QStringLiteral("cercaguida"));
    auto* text = guide->findChild<QTextBrowser*>(QStringLiteral("testoguida"));
    auto* outcome = guide->findChild<QLabel*>(QStringLiteral("esitoricerca"));
    QTest::keyClicks(search, QStringLiteral("PRESTIT"));
    EXPECT_EQ(text->textCursor().selectedText().toLower(), QStringLiteral("prestit")) << "found as typed, any case";
    const int first = text->textCursor().selectionStart();
    QTest::keyClick(search, Qt::Key_Return);
    const int second = text->textCursor().selectionStart();
    EXPECT_GT(second, first);
    QTest::keyClick(search, Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(text->textCursor().selectionStart(), first);

    search->setText(QStringLiteral("chiavetta")); // once in the whole guide
    ASSERT_TRUE(guide->findNext());
    const int only = text->textCursor().selectionStart();
    EXPECT_TRUE(guide->findNext());
    EXPECT_EQ(text->textCursor().selectionStart(), only);
    EXPECT_EQ(outcome->text(), QStringLiteral("Ricominciato dall'inizio"));

    search->setText(QStringLiteral("zxqwv"));
    EXPECT_FALSE(guide->findNext(true));
    EXPECT_EQ(outcome->text(), QStringLiteral("Non trovato"));
    EXPECT_EQ(outcome->accessibleDescription(), QStringLiteral("Non trovato"));
}

TEST_F(HelpTest, TheGuideIsUsedByKeyboardAndNamedForAScreenReader)
{
    GuideWindow* guide = openGuide();
    QApplication::setActiveWindow(guide);
    auto* search = guide->findChild<QLineEdit*>(QStringLiteral("cercaguida"));
    auto* text = guide->findChild<QTextBrowser*>(QStringLiteral("testoguida"));
    search->setFocus();
    QList<QWidget*> reached;
    for (int step = 0; step < 8; ++step) {
        QWidget* focused = QApplication::focusWidget();
        ASSERT_NE(focused, nullptr);
        if (!reached.contains(focused))
            reached << focused;
        EXPECT_FALSE(focused->accessibleName().isEmpty()) << focused->metaObject()->className();
        QTest::keyClick(focused, Qt::Key_Tab);
    }
    EXPECT_TRUE(reached.contains(text)) << "Tab reaches the text";
    EXPECT_GE(reached.size(), 5) << "and leaves it for the buttons: search, previous, next, text, close";
    text->setFocus();
    QTest::keyClick(text, Qt::Key_F, Qt::ControlModifier);
    EXPECT_EQ(QApplication::focusWidget(), search) << "Ctrl+F goes back to the search field";
    QTest::keyClick(search, Qt::Key_Escape);
    EXPECT_FALSE(guide->isVisible());
}

TEST_F(HelpTest, InformazioniNamesVersionLicenceCatalogueAndTheLibrariesInUse)
{
    QString facts;
    w.services.dialogScript = [&](QDialog& dialog) {
        auto& about = dynamic_cast<AboutDialog&>(dialog);
        facts = about.facts();
        for (QLabel* value : about.findChildren<QLabel*>()) {
            if (value->textInteractionFlags().testFlag(Qt::TextSelectableByKeyboard)) {
                EXPECT_FALSE(value->accessibleName().isEmpty()) << value->text().toStdString();
            }
        }
    };
    w.trigger("mnuinformazioni");
    ASSERT_EQ(w.services.dialogsRun, 1);
    EXPECT_TRUE(facts.contains(QRegularExpression(QStringLiteral("^Versione: \\d+\\.\\d+"),
                                                  QRegularExpression::MultilineOption)));
    EXPECT_TRUE(facts.contains(QStringLiteral("Licenza: MIT")));
    EXPECT_TRUE(facts.contains(QStringLiteral("Catalogo: ") + w.window.cataloguePath()));
    EXPECT_TRUE(facts.contains(QStringLiteral("Dimensione: %1 libri · ").arg(TestCatalogue::sampleBooks.size())));
    EXPECT_TRUE(facts.contains(QStringLiteral("Qt: ") + QString::fromLatin1(qVersion())));
    EXPECT_EQ(catalogue::engineVersion(), std::string(sqlite3_libversion()));
    EXPECT_TRUE(facts.contains(QStringLiteral("SQLite: ") + QString::fromLatin1(sqlite3_libversion())));
    EXPECT_TRUE(w.services.errors.empty());
}

TEST_F(HelpTest, InformazioniOpensEvenWhenTheCatalogueIsMissingOrNoCatalogue)
{
    const QString path = w.window.cataloguePath();
    ASSERT_TRUE(QFile::remove(path));
    EXPECT_EQ(catalogueSizeText(path), QStringLiteral("il file non c'è"));
    QFile junk(path);
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(2048, 'x'));
    junk.close();
    EXPECT_TRUE(catalogueSizeText(path).endsWith(QStringLiteral("(non si legge come catalogo)")));
    w.trigger("mnuinformazioni");
    EXPECT_EQ(w.services.dialogsRun, 1);
    EXPECT_TRUE(w.services.errors.empty());
}
