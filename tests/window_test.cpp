// The window with its real grid, offscreen: layout, menus, colour cues, the end of
// the program, and what the user reads when a command fails.
#include "datagrid.h"
#include "gridinput.h"
#include "editrefusals.h"
#include "error.h"
#include "fakes.h"
#include "frmdorvi.h"
#include "qtwindowservices.h"
#include "shownwindow.h"
#include "statuslabel.h"
#include "testcatalogue.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QSet>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>

namespace {

class WindowTest : public ShownWindowTest {
protected:
    QAbstractItemModel* model() const { return grid->model(); }
    QLineEdit* openEditor() const { return openEditorIn(*grid); }
    void startTyping(int row, int column, const QString& text)
    {
        grid->setFocus();
        grid->setCurrentIndex(model()->index(row, column));
        QTest::keyClicks(grid, text.left(1));
        ASSERT_NE(openEditor(), nullptr);
        QTest::keyClicks(openEditor(), text.mid(1));
    }
};

} // namespace

TEST_F(WindowTest, LayoutIsFixedAndResizingMovesNothing)
{
    EXPECT_EQ(window.windowTitle(), "Gestione Dorvi");
    EXPECT_EQ(window.centralWidget()->size(), QSize(704, 517));
    EXPECT_EQ(grid->geometry(), QRect(8, 8, 681, 393));
    window.resize(1000, 800);
    QCoreApplication::processEvents();
    EXPECT_EQ(grid->geometry(), QRect(8, 8, 681, 393));
    EXPECT_EQ(grid->model(), nullptr) << "no rows until the first data command";
}

TEST_F(WindowTest, MenuTreeInDisplayOrder)
{
    // Captions as read, without their access-letter marks; an item's shortcut, if it has one, after it.
    const auto read = [](QAction* action) {
        QString text = action->text().remove(QLatin1Char('&'));
        if (!action->shortcut().isEmpty())
            text += " [" + action->shortcut().toString(QKeySequence::PortableText) + "]";
        return text;
    };
    QStringList tree;
    const QList<QAction*> menus = window.menuBar()->actions();
    ASSERT_EQ(menus.size(), 3);
    for (QAction* top : menus.mid(0, 2)) {
        tree << top->menu()->objectName() + ":" + top->text();
        for (QAction* item : top->menu()->actions())
            tree << "  " + item->objectName() + ":" + read(item);
    }
    EXPECT_EQ(tree, (QStringList{"mnufile:&Gestione/Esci", "  mnuop:Gestione", "  mnuesci:Esci [Ctrl+Q]",
                                 "mnuquery:&Interroga", "  mnuaut:Dorvi autore", "  mnutit:Titolo",
                                 "  mnugen:genere", "  mnuall:Visualizza tutto", "  mnutot:Totale dorvi"}));
    EXPECT_EQ(menus[2]->menu()->objectName() + ":" + menus[2]->text(), "mnustrumenti:&Strumenti")
        << "the program's own tools come after the two menus users know";
}

// Every item of every menu has exactly one access letter, and no two items of a
// menu share one, whoever added them, unless each letter of their captions keys
// another item already: Strumenti holds more items than their captions have
// letters (Aggiungi da ISBN… and Completa da ISBN… have none of their own left),
// and pressing a shared letter again moves to the next item that has it.
TEST_F(WindowTest, AccessLettersKeyEveryItemWithoutClash)
{
    const auto letterOf = [](const QString& caption) {
        const qsizetype mark = caption.indexOf(QLatin1Char('&'));
        return mark >= 0 && mark + 1 < caption.size() ? caption[mark + 1].toLower() : QChar();
    };
    for (QAction* top : window.menuBar()->actions()) {
        QList<QAction*> items;
        for (QAction* item : top->menu()->actions())
            if (!item->isSeparator())
                items << item;
        // Whether every letter of `item`'s caption is the access letter of another item.
        const auto noLetterOfItsOwn = [&](QAction* item) {
            const QString caption = item->text().remove(QLatin1Char('&'));
            for (const QChar c : caption) {
                if (!c.isLetterOrNumber())
                    continue;
                const bool keysAnother = std::any_of(items.begin(), items.end(), [&](QAction* other) {
                    return other != item && letterOf(other->text()) == c.toLower();
                });
                if (!keysAnother)
                    return false;
            }
            return true;
        };
        QSet<QChar> letters;
        for (QAction* item : items) {
            const QString caption = item->text();
            const qsizetype mark = caption.indexOf(QLatin1Char('&'));
            ASSERT_NE(mark, -1) << caption.toStdString() << " has no access letter";
            ASSERT_LT(mark + 1, caption.size());
            EXPECT_EQ(caption.indexOf(QLatin1Char('&'), mark + 1), -1) << caption.toStdString();
            const QChar letter = caption[mark + 1].toLower();
            EXPECT_TRUE(letter.isLetterOrNumber()) << caption.toStdString();
            EXPECT_TRUE(!letters.contains(letter) || noLetterOfItsOwn(item))
                << caption.toStdString() << " clashes in " << top->text().toStdString();
            letters.insert(letter);
        }
    }
}

TEST_F(WindowTest, AltIThenVListsEverything)
{
    QTest::keyClick(&window, Qt::Key_I, Qt::AltModifier);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr) << "Alt+I opens Interroga";
    EXPECT_EQ(menu->objectName(), "mnuquery");
    QTest::keyClick(menu, Qt::Key_V);
    QCoreApplication::processEvents();
    ASSERT_NE(model(), nullptr);
    EXPECT_EQ(model()->rowCount(), 5);
    EXPECT_FALSE(grid->allowUpdate());
}

TEST_F(WindowTest, FontsAndUnusedDataControl)
{
    EXPECT_DOUBLE_EQ(grid->font().pointSizeF(), 8.25);
    EXPECT_FALSE(grid->font().bold());
    EXPECT_DOUBLE_EQ(grid->horizontalHeader()->font().pointSizeF(), 9.75);
    EXPECT_TRUE(grid->horizontalHeader()->font().bold());

    QObject* data = window.findChild<QObject*>(QStringLiteral("Adodc1"));
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->property("RecordSource").toString(), "dorvi");
    EXPECT_EQ(data->property("Caption").toString(), "Adodc1");
    EXPECT_TRUE(data->property("ConnectionString").toString().contains("Data Source=C:\\dorvi\\dorvi.mdb"));
    EXPECT_EQ(qobject_cast<QWidget*>(data), nullptr) << "nothing of it is shown";
}

TEST_F(WindowTest, MenuCommandsDriveTheRealGrid)
{
    trigger("mnuall");
    EXPECT_EQ(model()->rowCount(), 5);
    EXPECT_FALSE(grid->allowAddNew() || grid->allowDelete() || grid->allowUpdate());
    trigger("mnuop");
    EXPECT_EQ(model()->rowCount(), 6) << "five books and the new-row line";
    trigger("mnutot");
    EXPECT_EQ(model()->rowCount(), 1);
    EXPECT_EQ(model()->index(0, 0).data().toString(), "5");
}

TEST_F(WindowTest, ColourCuesFollowWritesAndNewRows)
{
    trigger("mnuop");
    const QColor before = grid->palette().color(QPalette::Base);
    startTyping(5, 1, "Primo Levi");
    EXPECT_EQ(grid->palette().color(QPalette::Base), QColor(255, 255, 0)) << "a new row begun: yellow";
    QTest::keyClick(openEditor(), Qt::Key_Return);
    for (int pass = 0; pass < 3; ++pass)
        QCoreApplication::processEvents();
    EXPECT_EQ(grid->palette().color(QPalette::Base), QColor(0, 255, 0)) << "a row written: green";
    EXPECT_NE(before, QColor(0, 255, 0));
    EXPECT_EQ(window.str, "select * from dorvi;");
    EXPECT_TRUE(grid->allowUpdate());
}

TEST_F(WindowTest, OpenEditIsWrittenBeforeTheNextCommandReadsTheFile)
{
    trigger("mnuop");
    startTyping(0, 3, "Classico");
    trigger("mnuall");
    EXPECT_EQ(catalogue.scalar("select genere from dorvi where iddorvo=1"), "Classico");
    EXPECT_EQ(model()->index(0, 3).data().toString(), "Classico") << "the new listing shows it";
}

TEST_F(WindowTest, ClosingTheWindowWritesTheOpenEdit)
{
    trigger("mnuop");
    startTyping(1, 2, "Il Piacere");
    window.close();
    EXPECT_EQ(catalogue.scalar("select titolo from dorvi where iddorvo=2"), "Il Piacere");
    EXPECT_TRUE(services.errors.empty());
}

TEST_F(WindowTest, EditThatCannotBeWrittenOnClosingIsReported)
{
    catalogue.refuse("genere", "'abc'");
    trigger("mnuop");
    startTyping(0, 3, "abc"); // a value a rule of the file refuses
    window.close();
    ASSERT_EQ(services.errors.size(), 1u) << "shown before the program ends";
    EXPECT_EQ(services.errors[0].number(), catalogue::ErrorNumber::ValueRefused);
    EXPECT_EQ(QApplication::clipboard()->text(), "abc") << "what was typed is not lost";
    EXPECT_TRUE(QString::fromStdString(services.errors[0].description()).endsWith(EditRefusals::rescuedSentence()));
}

// A refused value left in its editor: opening a menu by keyboard leaves it open and
// writes nothing; the command then picked tells of it once, with the text on the
// clipboard, and goes on.
TEST_F(WindowTest, RefusedValueStopsNoCommand)
{
    catalogue.refuse("genere", "'Saggio'");
    trigger("mnuop");
    startTyping(1, 3, "Saggio");
    QTest::keyClick(openEditor(), Qt::Key_Return);
    for (int pass = 0; pass < 3; ++pass)
        QCoreApplication::processEvents();
    ASSERT_EQ(services.errors.size(), 1u);
    ASSERT_NE(openEditor(), nullptr) << "open again, holding the value refused";

    window.menuBar()->setFocus(Qt::MenuBarFocusReason); // Alt+I
    QCoreApplication::processEvents();
    EXPECT_NE(openEditor(), nullptr) << "the menu opens over the editor";
    EXPECT_EQ(services.errors.size(), 1u) << "and does not bring the error back";

    QApplication::clipboard()->clear();
    trigger("mnuall");
    ASSERT_EQ(services.errors.size(), 2u) << "told once";
    EXPECT_NE(services.errors[1].description().find("appunti"), std::string::npos);
    EXPECT_EQ(QApplication::clipboard()->text(), "Saggio");
    EXPECT_EQ(openEditor(), nullptr);
    EXPECT_EQ(model()->rowCount(), 5) << "the command went on";
    EXPECT_EQ(model()->index(1, 3).data().toString(), "Romanzo") << "the cell shows what the file holds";
    trigger("mnuall");
    EXPECT_EQ(services.errors.size(), 2u);
}

// A book typed into the new-row line is written, once, by the next command or by the
// closing of the window; Esc twice drops it.
TEST_F(WindowTest, NewBookIsWrittenByTheNextCommandOrTheClosing)
{
    trigger("mnuop");
    startTyping(5, 1, "Italo Svevo");
    QTest::keyClick(openEditor(), Qt::Key_Tab);
    openEditor()->insert(QString::fromUtf8("Senilità"));
    EXPECT_EQ(catalogue.scalar("select count(*) from dorvi"), "5");
    trigger("mnutrova");
    EXPECT_EQ(catalogue.rows("select autore, titolo from dorvi where iddorvo = 6"),
              (std::vector<std::vector<std::string>>{{"Italo Svevo", "Senilità"}}));
    EXPECT_EQ(grid->palette().color(QPalette::Base), QColor(0, 255, 0)) << "a row written: green";

    startTyping(6, 1, "Italo Calvino");
    QTest::keyClick(openEditor(), Qt::Key_Tab);
    QTest::keyClicks(openEditor(), "Il bar");
    QTest::keyClick(openEditor(), Qt::Key_Escape);
    EXPECT_EQ(model()->index(6, 1).data().toString(), "Italo Calvino") << "the first Esc takes back the cell";
    QTest::keyClick(grid, Qt::Key_Escape);
    EXPECT_EQ(model()->rowCount(), 7) << "six books and an empty new-row line";
    EXPECT_EQ(model()->index(6, 1).data().toString(), "");
    trigger("mnutrova");
    EXPECT_EQ(catalogue.scalar("select count(*) from dorvi"), "6") << "Esc, Esc: nothing to write";

    startTyping(6, 2, "La coscienza di Zeno");
    QTest::keyClick(openEditor(), Qt::Key_Tab);
    window.close();
    EXPECT_EQ(catalogue.scalar("select titolo from dorvi where iddorvo = 7"), "La coscienza di Zeno");
    EXPECT_TRUE(services.errors.empty());
}

TEST(ErrorMessage, ReadsNumberAndDescriptionInACriticalBox)
{
    const catalogue::Error error(catalogue::ErrorNumber::FileNotFound, "Impossibile trovare il catalogo «/x/dorvi.mdb».",
                                 14, "unable to open database file");
    EXPECT_EQ(errorText(error), "Errore 3024: Impossibile trovare il catalogo «/x/dorvi.mdb».");

    QtWindowServices services;
    QString title, text, details;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        text = box->text();
        details = box->informativeText();
        icon = box->icon();
        box->accept();
    });
    services.showError(error);
    EXPECT_EQ(title, "Errore di run-time");
    EXPECT_EQ(text, errorText(error));
    EXPECT_TRUE(details.contains("unable to open database file"));
    EXPECT_EQ(icon, QMessageBox::Critical);
}

TEST(Prompt, CancelAndEmptyOkBothAnswerTheEmptyText)
{
    QtWindowServices services;
    for (const bool cancel : {true, false}) {
        QString title, label;
        QTimer::singleShot(0, [&, cancel] {
            QWidget* dialog = QApplication::activeModalWidget();
            ASSERT_NE(dialog, nullptr);
            title = dialog->windowTitle();
            QTest::keyClick(dialog, cancel ? Qt::Key_Escape : Qt::Key_Return);
        });
        EXPECT_EQ(services.prompt("inserisci autore", "Inserisci autore"), QString());
        EXPECT_EQ(title, "Inserisci autore");
    }
}

TEST(Prompt, IsWideEnoughForItsWholeTitle)
{
    QtWindowServices services;
    for (const QString title : {"Inserisci autore", "Inserisci titolo dorvo", "Inserisci genere"}) {
        int width = 0;
        QTimer::singleShot(0, [&] {
            QWidget* dialog = QApplication::activeModalWidget();
            ASSERT_NE(dialog, nullptr);
            width = dialog->width();
            QTest::keyClick(dialog, Qt::Key_Escape);
        });
        services.prompt(title.toLower(), title);
        QFont bold = QApplication::font();
        bold.setBold(true);
        EXPECT_GE(width, QFontMetrics(bold).horizontalAdvance(title) + 120) << title.toStdString();
    }
}

TEST_F(WindowTest, ModeShowsBelowTheGridAndFollowsEachCommand)
{
    auto* mode = window.findChild<QLabel*>(QStringLiteral("lblmodo"));
    ASSERT_NE(mode, nullptr);
    EXPECT_EQ(mode->geometry(), QRect(8, 409, 100, 22));
    EXPECT_FALSE(mode->geometry().intersects(grid->geometry()));
    EXPECT_EQ(mode->text(), "Sola lettura");
    trigger("mnuop");
    EXPECT_EQ(mode->text(), "Modifica");
    trigger("mnuall");
    EXPECT_EQ(mode->text(), "Sola lettura");
    trigger("mnuop");
    ASSERT_TRUE(QFile::rename(catalogue.folder() + "/dorvi.mdb", catalogue.folder() + "/altro.mdb"));
    trigger("mnuall"); // fails before its rows could be made read-only
    EXPECT_EQ(services.errors.size(), 1u);
    EXPECT_EQ(mode->text(), "Modifica") << "the rows shown are still editable, and the label says so";
    EXPECT_EQ(grid->geometry(), QRect(8, 8, 681, 393));
}

// The band below the grid counts the books on show after every command and as
// the rows change (a book typed, books deleted), gives way to the quick filter,
// and counts nothing for a computed total.
TEST_F(WindowTest, BandCountsTheBooksOnShow)
{
    auto* status = window.findChild<QLabel*>(QStringLiteral("lblstato"));
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->parentWidget(), window.centralWidget());
    EXPECT_EQ(status->geometry(), QRect(116, 409, 573, 22));
    EXPECT_EQ(status->text(), firstStepsText) << "before any result, how to begin";
    trigger("mnuall");
    EXPECT_EQ(status->text(), "5 libri");
    services.promptAnswers = {"Dante Alighieri"};
    trigger("mnuaut");
    EXPECT_EQ(status->text(), "1 libro");
    trigger("mnutot");
    EXPECT_EQ(status->text(), "") << "the total is no list of books";
    services.promptAnswers = {"Nessuno"};
    trigger("mnuaut"); // nothing found: the grid keeps the total
    EXPECT_EQ(status->text(), "");

    trigger("mnuop");
    EXPECT_EQ(status->text(), "5 libri");
    startTyping(5, 1, "Italo Calvino");
    QTest::keyClick(openEditor(), Qt::Key_Tab);
    QTest::keyClick(grid, Qt::Key_Escape);
    trigger("mnuall");
    EXPECT_EQ(status->text(), "6 libri");
    trigger("mnuop");
    grid->selectRow(0);
    services.confirmAnswers = {true};
    QTest::keyClick(grid, Qt::Key_Delete);
    EXPECT_EQ(status->text(), "5 libri") << "a deletion is counted as it happens";

    trigger("mnutrova");
    EXPECT_FALSE(status->isVisible()) << "the filter counts for itself";
    QTest::keyClick(window.findChild<QLineEdit*>(QStringLiteral("txtfiltro")), Qt::Key_Escape);
    EXPECT_TRUE(status->isVisible());
    EXPECT_EQ(status->text(), "5 libri");
}

// With "Griglia a tutta finestra" on, the grid and everything in the band below it
// (the mode label, the filter, and whatever else lives there) follow the window's
// size; the choice outlives the window, and turning it off puts everything back.
TEST_F(WindowTest, FullWindowGridFollowsTheWindowAndIsRemembered)
{
    auto* option = window.findChild<QAction*>(QStringLiteral("mnugriglia"));
    ASSERT_NE(option, nullptr);
    EXPECT_EQ(option->text(), "&Griglia a tutta finestra");
    EXPECT_TRUE(option->isCheckable());
    EXPECT_FALSE(option->isChecked()) << "the fixed layout is the default";
    QWidget* area = window.centralWidget();
    QWidget* mode = window.findChild<QLabel*>(QStringLiteral("lblmodo"));
    QWidget* filter = window.findChild<QWidget*>(QStringLiteral("filtro"));
    auto* added = new QLabel(QStringLiteral("5 libri"), area);
    added->setGeometry(560, 409, 129, 22);
    const QRect designs[] = {mode->geometry(), filter->geometry(), added->geometry()};

    option->trigger();
    window.resize(1000, 800);
    QCoreApplication::processEvents();
    const QRect shown = grid->geometry();
    EXPECT_EQ(shown, QRect(8, 8, area->width() - 23, area->height() - 124));
    for (QWidget* band : {mode, filter, static_cast<QWidget*>(added)}) {
        EXPECT_EQ(band->geometry().top(), shown.bottom() + 9) << band->objectName().toStdString();
        EXPECT_TRUE(area->rect().contains(band->geometry()));
    }
    EXPECT_EQ(filter->geometry().right(), shown.right()) << "the filter still ends where the grid does";
    EXPECT_EQ(added->geometry().right(), shown.right());
    EXPECT_LT(mode->geometry().right(), filter->geometry().left());

    {
        Frmdorvi again{services};
        EXPECT_TRUE(again.findChild<QAction*>(QStringLiteral("mnugriglia"))->isChecked()) << "remembered";
    }
    option->trigger();
    EXPECT_EQ(grid->geometry(), QRect(8, 8, 681, 393));
    EXPECT_EQ(mode->geometry(), designs[0]);
    EXPECT_EQ(filter->geometry(), designs[1]);
    EXPECT_EQ(added->geometry(), designs[2]);
    Frmdorvi fixed{services};
    EXPECT_FALSE(fixed.findChild<QAction*>(QStringLiteral("mnugriglia"))->isChecked());
}
