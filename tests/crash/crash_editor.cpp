// A user who never stops editing: the real window and grid on a catalogue, in
// editing mode ("Gestione"), changing cells, typing books into the new-row line and
// deleting rows, one after the other, until it is killed or has made the number of
// edits asked for.
//
//   crash_editor FOLDER LOG SEED FIRST [COUNT]
//
// FOLDER holds dorvi.mdb. Before each edit a line saying what it will write is
// appended to LOG ("intent"), and once the write has returned a second line
// ("done"); each line reaches the disk (fdatasync) before the program goes on. So
// whoever kills the program knows every edit the file must hold, and the one edit
// that may or may not have reached it. Edits are numbered from FIRST, which makes
// every value written unique across runs. Exit status: 0 after COUNT edits, 2 when
// anything goes wrong (said on stderr).
#include "datagrid.h"
#include "error.h"
#include "frmdorvi.h"
#include "recordset.h"
#include "recordsetmodel.h"
#include "shownrowsmodel.h"
#include "windowservices.h"

#include <QApplication>
#include <QLineEdit>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <string>
#include <unistd.h>

namespace {

[[noreturn]] void quit(const std::string& why)
{
    std::fprintf(stderr, "crash_editor: %s\n", why.c_str());
    std::fflush(stderr);
    std::_Exit(2);
}

// Answers like a user who agrees to every deletion; anything else the window asks
// or reports means the edit stream went wrong.
class EditorServices : public WindowServices {
public:
    explicit EditorServices(QString folder) : m_folder(std::move(folder)) {}

    void information(const QString& text, const QString&) override { quit("told: " + text.toStdString()); }
    QString prompt(const QString& text, const QString&) override { quit("asked: " + text.toStdString()); }
    bool confirm(const QString&, const QString&) override { return true; }
    void showError(const catalogue::Error& error) override { quit("error: " + error.description()); }
    QString programFolder() const override { return m_folder; }
    void end() override {}

private:
    QString m_folder;
};

class Log {
public:
    explicit Log(const char* path) : m_fd(::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644))
    {
        if (m_fd < 0)
            quit(std::string("cannot open the log: ") + std::strerror(errno));
    }
    ~Log() { ::close(m_fd); }
    Log(const Log&) = delete;
    Log& operator=(const Log&) = delete;

    void line(const QString& text)
    {
        const QByteArray bytes = (text + QLatin1Char('\n')).toUtf8();
        if (::write(m_fd, bytes.constData(), static_cast<size_t>(bytes.size())) != bytes.size() ||
            ::fdatasync(m_fd) != 0)
            quit(std::string("cannot write the log: ") + std::strerror(errno));
    }

private:
    int m_fd;
};

// The three columns a user types into; column 0 is the key the file gives.
constexpr int firstTextColumn = 1;
constexpr int lastTextColumn = 3;
// Rows kept between these, so the grid never runs empty (an empty catalogue binds
// no grid) and a run stays quick.
constexpr int fewestRows = 5;
constexpr int mostRows = 40;

class Editor {
public:
    Editor(Frmdorvi& window, Log& log, unsigned seed)
        : m_window(window), m_log(log), m_random(seed)
    {
        m_grid = window.findChild<DataGrid*>(QStringLiteral("DataGrid1"));
        if (!m_grid || !m_grid->shownRows())
            quit("the window has no bound grid");
        m_model = m_grid->shownRows();
    }

    void edit(long number)
    {
        const int rows = records();
        const int roll = pick(0, 99);
        if (rows > fewestRows && (rows >= mostRows || roll < 25))
            remove(number, pick(0, rows - 1));
        else if (roll < 50 || rows <= fewestRows)
            add(number, pick(firstTextColumn, lastTextColumn));
        else
            change(number, pick(0, rows - 1), pick(firstTextColumn, lastTextColumn));
    }

private:
    int records() const { return static_cast<int>(m_window.recordset()->rowCount()); }
    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }
    qlonglong keyOf(int row) const { return m_model->data(m_model->index(row, 0), Qt::EditRole).toLongLong(); }

    static QString valueFor(long number, int column)
    {
        static const char* const kinds[] = {"", "Autore", "Titolo", "Genere"};
        return QStringLiteral("%1 n. %2 — l'«edizione» è già qui").arg(QString::fromLatin1(kinds[column])).arg(number);
    }

    // Half the edits go through the cell editor as typing does, half straight to the
    // model as a paste or a programmatic change does.
    bool write(const QModelIndex& index, const QString& value, bool typed)
    {
        if (!typed) {
            const bool written = m_model->setData(index, value, Qt::EditRole);
            m_grid->commitPendingEdit(); // a new book is written when a command runs
            return written;
        }
        m_grid->setCurrentIndex(index);
        static_cast<QAbstractItemView*>(m_grid)->edit(index);
        auto* editor = qobject_cast<QLineEdit*>(m_grid->indexWidget(index));
        if (!editor)
            quit("no text editor opened on the cell");
        editor->setText(value);
        m_grid->commitPendingEdit();
        return true;
    }

    void change(long number, int row, int column)
    {
        const qlonglong key = keyOf(row);
        const QString value = valueFor(number, column);
        m_log.line(QStringLiteral("intent\t%1\tset\t%2\t%3\t%4").arg(number).arg(key).arg(column).arg(value));
        const QModelIndex index = m_model->index(row, column);
        if (!write(index, value, number % 2 == 0) || m_model->data(index, Qt::EditRole).toString() != value)
            quit("a cell change was not written");
        m_log.line(QStringLiteral("done\t%1").arg(number));
    }

    void add(long number, int column)
    {
        const int line = m_model->rowCount() - 1; // the new-row line
        const QString value = valueFor(number, column);
        m_log.line(QStringLiteral("intent\t%1\tadd\t-\t%2\t%3").arg(number).arg(column).arg(value));
        const int before = records();
        if (!write(m_model->index(line, column), value, number % 2 == 0) || records() != before + 1 ||
            m_model->data(m_model->index(line, column), Qt::EditRole).toString() != value)
            quit("a new book was not written");
        m_log.line(QStringLiteral("done\t%1\t%2").arg(number).arg(keyOf(line)));
    }

    // Alternately as the Delete key does (selection, confirmation) and as the model's
    // own deletion.
    void remove(long number, int row)
    {
        const qlonglong key = keyOf(row);
        m_log.line(QStringLiteral("intent\t%1\tdel\t%2").arg(number).arg(key));
        const int before = records();
        if (number % 2 == 0) {
            m_grid->clearSelection();
            m_grid->selectRow(row);
            m_grid->deleteSelectedRows();
        } else if (!m_grid->recordsetModel()->deleteRow(m_grid->recordRow(row))) {
            quit("the model refused a deletion");
        }
        if (records() != before - 1)
            quit("a book was not deleted");
        m_log.line(QStringLiteral("done\t%1").arg(number));
    }

    Frmdorvi& m_window;
    Log& m_log;
    std::mt19937 m_random;
    DataGrid* m_grid = nullptr;
    ShownRowsModel* m_model = nullptr; ///< the rows as the grid shows them
};

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 5) {
        std::fprintf(stderr, "uso: %s CARTELLA LOG SEME PRIMO [QUANTI]\n", argv[0]);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const long first = std::atol(argv[4]);
    const long count = argc > 5 ? std::atol(argv[5]) : 0;

    EditorServices services(QString::fromLocal8Bit(argv[1]));
    Frmdorvi window(services);
    window.show();
    try {
        window.mnuop_Click();
    } catch (const catalogue::Error& error) {
        quit("Gestione failed: " + error.description());
    }
    Log log(argv[2]);
    Editor editor(window, log, static_cast<unsigned>(std::strtoul(argv[3], nullptr, 10)));
    log.line(QStringLiteral("ready"));
    for (long number = first; count == 0 || number < first + count; ++number) {
        editor.edit(number);
        QCoreApplication::processEvents(); // closed editors are deleted, queued calls run
    }
    return 0;
}
