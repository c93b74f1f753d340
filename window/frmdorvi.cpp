// The one window of the program. It owns `str`, `rs` and the grid; nothing runs at
// load, so the grid stays empty until the first data command. Every data command
// stores its statement in `str` and runs it through `query`; all but "Gestione"
// then make the grid read-only with `init`.
#include "frmdorvi.h"

#include "catalogue.h"
#include "collectortools.h"
#include "copiesdialog.h"
#include "copykeeper.h"
#include "datagrid.h"
#include "bookqueries.h"
#include "error.h"
#include "filterbar.h"
#include "modelabel.h"
#include "listexport.h"
#include "statuslabel.h"
#include "history.h"
#include "recordset.h"
#include "undoactions.h"
#include "windowlayout.h"
#include "windowplacement.h"
#include "windowservices.h"

#include <QCloseEvent>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QMenuBar>

using catalogue::Connection;
using catalogue::CursorLocation;
using catalogue::LockType;
using catalogue::Recordset;

namespace {

constexpr QRgb green = 0x00FF00;  // 0x00BBGGRR
constexpr QRgb yellow = 0x00FFFF; // 0x00BBGGRR: red and green full

constexpr int clientWidth = 704;
constexpr int clientHeight = 517;
const QRect gridGeometry(8, 8, 681, 393);
const QRect modeGeometry(8, 409, 100, 22);
// In the free band under the grid, right of the mode label; the filter, when open,
// takes the place of the count.
const QRect filterGeometry(116, 409, 573, 22);
const QRect statusGeometry = filterGeometry;

} // namespace

struct Frmdorvi::Search {
    const char* title;
    const char* text;
    const char* column; ///< the column compared
};

Frmdorvi::Frmdorvi(WindowServices& services, QWidget* parent)
    : Frmdorvi(services, *new DataGrid(services), parent)
{
    auto& own = static_cast<DataGrid&>(DataGrid1);
    placeGrid(&own);
    m_filterBar = new FilterBar(own, centralWidget());
    m_filterBar->setGeometry(filterGeometry);
    m_status->giveWayTo(m_filterBar);
    new WindowLayout(*centralWidget(), QSize(clientWidth, clientHeight), own, *mnustrumenti);
    new WindowPlacement(*this);
}

Frmdorvi::Frmdorvi(WindowServices& services, Grid& grid, QWidget* parent)
    : QMainWindow(parent), m_services(services), DataGrid1(grid)
{
    m_catalogue = std::make_shared<catalogue::Catalogue>(QFile::encodeName(cataloguePath()).toStdString());
    m_listeners = std::make_unique<CatalogueListeners>(m_catalogue);
    setObjectName(QStringLiteral("Frmdorvi"));
    setWindowTitle(QStringLiteral("Gestione Dorvi"));
    setAccessibleName(windowTitle());
    setAccessibleDescription(QStringLiteral("Catalogo dei libri: i menu Gestione/Esci, Interroga e Strumenti "
                                            "e la griglia dei libri"));
    setCentralWidget(new QWidget(this));
    m_mode = new ModeLabel(centralWidget());
    m_mode->setGeometry(modeGeometry);
    m_status = new StatusLabel(centralWidget());
    m_status->setGeometry(statusGeometry);
    keepDataControl();
    buildMenus();
    addUndoTools();
    addCopyTools();
    addCollectorTools(*this, this);
    resize(clientWidth, clientHeight + menuBar()->sizeHint().height());
    fitOnScreen(*this);
    DataGrid1.setNotifications({[this] { DataGrid1_AfterUpdate(); }, [this] { DataGrid1_OnAddNew(); }});
}

Frmdorvi::~Frmdorvi() = default;

// The window takes its own grid as a child, at a fixed place and size: resizing
// the window moves nothing, unless "Griglia a tutta finestra" is on (WindowLayout).
void Frmdorvi::placeGrid(QWidget* grid)
{
    grid->setParent(centralWidget());
    grid->setGeometry(gridGeometry);
}

// The old window carried a data control that no command uses; its settings are
// kept, unused and unseen.
void Frmdorvi::keepDataControl()
{
    auto* Adodc1 = new QObject(this);
    Adodc1->setObjectName(QStringLiteral("Adodc1"));
    Adodc1->setProperty("ConnectionString",
                        QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\dorvi\\dorvi.mdb;"
                                       "Persist Security Info=False"));
    Adodc1->setProperty("RecordSource", QStringLiteral("dorvi"));
    Adodc1->setProperty("Caption", QStringLiteral("Adodc1"));
}

// Each item has an access letter of its own within its menu, so Alt+I then V
// lists everything; the captions read as they always have. "Esci" shows the
// desktops' quit key, spelled out because some platform themes bind none.
void Frmdorvi::buildMenus()
{
    const auto item = [this](QMenu* menu, const char* name, const QString& caption, void (Frmdorvi::*command)()) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, [this, command] { dispatch(command); });
        return action;
    };
    QMenu* mnufile = menuBar()->addMenu(QStringLiteral("&Gestione/Esci"));
    mnufile->setObjectName(QStringLiteral("mnufile"));
    item(mnufile, "mnuop", QStringLiteral("&Gestione"), &Frmdorvi::mnuop_Click);
    item(mnufile, "mnuesci", QStringLiteral("&Esci"), &Frmdorvi::mnuesci_Click)->setShortcut(Qt::CTRL | Qt::Key_Q);

    QMenu* mnuquery = menuBar()->addMenu(QStringLiteral("&Interroga"));
    mnuquery->setObjectName(QStringLiteral("mnuquery"));
    item(mnuquery, "mnuaut", QStringLiteral("Dorvi &autore"), &Frmdorvi::mnuaut_Click);
    item(mnuquery, "mnutit", QStringLiteral("&Titolo"), &Frmdorvi::mnutit_Click);
    item(mnuquery, "mnugen", QStringLiteral("&genere"), &Frmdorvi::mnugen_Click);
    item(mnuquery, "mnuall", QStringLiteral("&Visualizza tutto"), &Frmdorvi::mnuall_Click);
    item(mnuquery, "mnutot", QStringLiteral("T&otale dorvi"), &Frmdorvi::mnutot_Click);

    // What the program offers beyond its listings and searches lives in a third
    // menu, so the first two stay exactly as users know them.
    mnustrumenti = menuBar()->addMenu(QStringLiteral("&Strumenti"));
    mnustrumenti->setObjectName(QStringLiteral("mnustrumenti"));

    tool("mnutrova", QStringLiteral("&Trova…"), {QKeySequence::Find}, &Frmdorvi::mnutrova_Click);
    tool("mnuesportacsv", QStringLiteral("Esporta per foglio di &calcolo…"), {}, &Frmdorvi::mnuesportacsv_Click);
    tool("mnuesportapdf", QStringLiteral("Esporta PD&F…"), {}, &Frmdorvi::mnuesportapdf_Click);
    tool("mnustampa", QStringLiteral("Stam&pa…"), {QKeySequence::Print}, &Frmdorvi::mnustampa_Click);
}

// Undo and redo take back and do again what was written in this run, whatever
// result the grid shows now.
void Frmdorvi::addUndoTools()
{
    m_history = std::make_shared<catalogue::History>();
    QAction* undo = tool("mnuannulla", QStringLiteral("&Annulla"), {QKeySequence(Qt::CTRL | Qt::Key_Z)},
                         &Frmdorvi::mnuannulla_Click);
    QAction* redo = tool("mnuripeti", QStringLiteral("&Ripeti"),
                         {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)},
                         &Frmdorvi::mnuripeti_Click);
    m_undoActions = std::make_unique<UndoActions>(undo, redo, m_history);
}

// The safety copies, in the menu only: they concern the file, not the rows shown.
void Frmdorvi::addCopyTools()
{
    m_copies = std::make_unique<CopyKeeper>(m_services);
    mnustrumenti->addSeparator();
    addTool("mnucopie", QStringLiteral("Copie di &sicurezza…"), {}, [this] { mnucopie_Click(); }, false);
}

// The mode label and the undo items follow the grid's mode together.
void Frmdorvi::setEditing(bool editing)
{
    m_mode->setEditing(editing);
    m_undoActions->setEditing(editing);
    m_editing = editing;
}

// A command of the "Strumenti" menu, offered in the grid's context menu as well,
// run through the same dispatch as every menu command.
QAction* Frmdorvi::tool(const char* name, const QString& caption, const QList<QKeySequence>& shortcuts,
                        void (Frmdorvi::*command)())
{
    // Trova alone gives the keyboard to its own field.
    const bool keyboardStaysInGrid = command != &Frmdorvi::mnutrova_Click;
    return addCommand(name, caption, shortcuts, [this, command] { (this->*command)(); }, true, keyboardStaysInGrid);
}

QAction* Frmdorvi::addTool(const char* name, const QString& caption, const QList<QKeySequence>& shortcuts,
                           std::function<void()> command, bool inContextMenu)
{
    return addCommand(name, caption, shortcuts, std::move(command), inContextMenu, true);
}

QAction* Frmdorvi::addCommand(const char* name, const QString& caption, const QList<QKeySequence>& shortcuts,
                              std::function<void()> command, bool inContextMenu, bool keyboardStaysInGrid)
{
    QAction* action = mnustrumenti->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcuts(shortcuts);
    connect(action, &QAction::triggered, this,
            [this, command = std::move(command), keyboardStaysInGrid] { run(command, keyboardStaysInGrid); });
    if (inContextMenu)
        DataGrid1.addContextAction(action);
    return action;
}

void Frmdorvi::addToolSeparator()
{
    mnustrumenti->addSeparator();
}

// The one place where an error that no command handled is caught: it is shown,
// and the program goes on with whatever the command had done before it failed.
void Frmdorvi::dispatch(void (Frmdorvi::*command)())
{
    run([this, command] { (this->*command)(); });
}

void Frmdorvi::run(const std::function<void()>& command, bool keyboardStaysInGrid)
{
    // A cell still being edited is written before the command reads the file.
    DataGrid1.commitPendingEdit();
    m_listeners->commandBoundary();
    try {
        command();
    } catch (const catalogue::Error& error) {
        m_services.showError(error);
    } catch (const std::exception& error) {
        m_services.showError(catalogue::unexpectedError(error));
    }
    // The keyboard stays in the grid through every command, whatever its outcome,
    // unless the command gave it to the quick filter.
    if (keyboardStaysInGrid || !m_filterBar)
        DataGrid1.takeFocus();
    m_status->showBooks(DataGrid1.rowsOnShow());
    m_status->follow(DataGrid1.shownRows());
    m_listeners->commandBoundary();
}

void Frmdorvi::closeEvent(QCloseEvent* event)
{
    DataGrid1.commitPendingEdit();
    event->accept();
}

void Frmdorvi::init()
{
    DataGrid1.setAllowAddNew(false);
    DataGrid1.setAllowDelete(false);
    DataGrid1.setAllowUpdate(false);
    setEditing(false);
}

// Runs one statement on a fresh connection to the catalogue beside the program and
// shows its rows; an empty result leaves the grid on the rows it had, unless the
// grid is in editing mode with no line to type a book into (an empty catalogue
// after a start or after the count): then the empty result is shown too, so that
// the first book can be typed.
void Frmdorvi::query(const QString& sql, const catalogue::ExactSearch* search)
{
    // Every data command starts from the statement's own rows: no filter, no sorting.
    DataGrid1.showStatementOrder();
    // rs holds the new result first: a failed opening leaves it there, unopened.
    rs = std::make_shared<Recordset>();
    const std::shared_ptr<Connection> cn = m_catalogue->open();
    rs->setLockType(LockType::Optimistic);
    rs->setCursorLocation(CursorLocation::Client);
    rs->setSource(sql.toStdString());
    if (search)
        rs->setSearch(*search);
    rs->setActiveConnection(cn);
    rs->setHistory(m_history);
    rs->open();
    if (rs->eof()) {
        m_services.information(QStringLiteral("Nessun record trovato"), QStringLiteral("Ricerca fallita"));
        if (DataGrid1.lacksNewRowLine())
            DataGrid1.setDataSource(rs);
    } else {
        DataGrid1.setDataSource(rs);
    }
}

void Frmdorvi::mnuall_Click()
{
    str = QString::fromStdString(catalogue::wholeCatalogueStatement());
    query(str);
    init();
}

void Frmdorvi::mnutot_Click()
{
    str = QString::fromStdString(catalogue::bookTotalStatement());
    query(str);
    init();
}

void Frmdorvi::mnuop_Click()
{
    DataGrid1.setAllowAddNew(true);
    DataGrid1.setAllowDelete(true);
    DataGrid1.setAllowUpdate(true);
    setEditing(true);
    str = QString::fromStdString(catalogue::wholeCatalogueStatement());
    query(str);
}

void Frmdorvi::mnutrova_Click()
{
    if (m_filterBar)
        m_filterBar->open();
    else
        DataGrid1.takeFocus();
}

// Undo and redo write through the result the grid shows, which a command that
// found nothing, or failed, leaves in place while `rs` moves on. A long one shows
// its progress as a long deletion does.
void Frmdorvi::mnuannulla_Click()
{
    replayChange(QStringLiteral("Annullamento della modifica…"), &catalogue::History::undoBooks,
                 &catalogue::History::undo);
}

void Frmdorvi::mnuripeti_Click()
{
    replayChange(QStringLiteral("Ripetizione della modifica…"), &catalogue::History::redoBooks,
                 &catalogue::History::redo);
}

void Frmdorvi::replayChange(const QString& task, std::size_t (catalogue::History::*books)() const,
                            bool (catalogue::History::*write)(Recordset&, const catalogue::History::Progress&))
{
    const std::shared_ptr<Recordset> shown = DataGrid1.boundResult();
    if (!m_editing || !shown)
        return;
    const std::unique_ptr<Progress> progress = m_services.progress(task, static_cast<qint64>(((*m_history).*books)()));
    const bool written = ((*m_history).*write)(
        *shown, [&](std::size_t done) { return progress->advance(static_cast<qint64>(done)); });
    if (!written)
        return;
    m_catalogue->booksWritten();
    DataGrid1_AfterUpdate();
}

// After a restore the grid lists the catalogue now in the file, in the mode it had;
// the changes of this run were made to the file the restore replaced.
void Frmdorvi::mnucopie_Click()
{
    CopiesDialog dialog(m_services, *m_copies, this);
    m_services.runDialog(dialog);
    if (!dialog.restored())
        return;
    m_history->clear();
    m_catalogue->fileReplaced();
    relist();
}

void Frmdorvi::relist()
{
    m_listeners->beforeRelist();
    if (editing())
        mnuop_Click();
    else
        mnuall_Click();
}

bool Frmdorvi::editing() const
{
    return m_editing;
}

QString Frmdorvi::cataloguePath() const
{
    return QDir(m_services.programFolder()).filePath(QStringLiteral("dorvi.mdb"));
}

// A tool's own listing: its statement is kept in `str` as every listing's is.
void Frmdorvi::listBooks(const catalogue::BookListing& listing)
{
    const bool wasEditing = editing();
    str = QString::fromStdString(listing.statement);
    query(str);
    if (!wasEditing)
        init();
}

void Frmdorvi::mnuesci_Click()
{
    m_services.end();
}

void Frmdorvi::search(const Search& search)
{
    const QString answer = m_services.prompt(QString::fromUtf8(search.text), QString::fromUtf8(search.title));
    if (answer.isEmpty()) {
        m_services.information(QStringLiteral("Input errato!"), QStringLiteral("Input errato"));
        return;
    }
    // Quotes inside the answer are doubled, so the statement compares the column
    // with the text exactly as typed and can never become another statement. The
    // data layer runs the search itself, as asked here, under the letter rule.
    const std::string typed = answer.toStdString();
    str = QString::fromStdString(catalogue::searchStatement(search.column, typed));
    const catalogue::ExactSearch asked{"dorvi", search.column, typed};
    query(str, &asked);
    init();
}

void Frmdorvi::mnuaut_Click()
{
    search({"Inserisci autore", "inserisci autore", "autore"});
}

void Frmdorvi::mnutit_Click()
{
    search({"Inserisci titolo dorvo", "inserisci titolo dorvo", "titolo"});
}

void Frmdorvi::mnugen_Click()
{
    search({"Inserisci genere", "inserisci genere", "genere"});
}

// The list on show leaves the program as the grid shows it: its filter, its order.
void Frmdorvi::mnuesportacsv_Click()
{
    const RowsOnShow shown = DataGrid1.rowsOnShow();
    m_status->reportExport(shown.rows.size(), exportSpreadsheet(m_services, shown));
}

void Frmdorvi::mnuesportapdf_Click()
{
    const RowsOnShow shown = DataGrid1.rowsOnShow();
    m_status->reportExport(shown.rows.size(), exportPdf(m_services, shown, QDate::currentDate()));
}

void Frmdorvi::mnustampa_Click()
{
    printList(m_services, DataGrid1.rowsOnShow(), QDate::currentDate());
}

void Frmdorvi::DataGrid1_AfterUpdate()
{
    DataGrid1.setBackColor(green);
    m_catalogue->announce({catalogue::ChangeKind::BookWritten, {}});
}

// Books a tool wrote many at once through the grid's result.
void Frmdorvi::catalogueWritten()
{
    m_catalogue->booksWritten();
}

void Frmdorvi::DataGrid1_OnAddNew()
{
    DataGrid1.setBackColor(yellow);
}
