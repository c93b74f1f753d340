// The window services as the desktop shows them: Qt's message boxes, input and
// file dialogs, progress dialog, print preview and file manager, all in Italian.
#include "qtwindowservices.h"

#include "error.h"

#include <QApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QUrl>

// QProgressDialog, fed at most every 50 ms: it appears by itself once the task has
// run for half a second and looks set to go on, and each feed lets the Cancel
// button be pressed. The services close it before any message of theirs (see
// closeProgress): its own timer would otherwise show it over the message box,
// which then could not be answered.
class QtWindowServices::DialogProgress : public Progress {
public:
    DialogProgress(QWidget* window, const QString& text, qint64 total, std::vector<DialogProgress*>& open)
        : m_dialog(std::make_unique<QProgressDialog>(text, QStringLiteral("Annulla"), 0, 1000, window)),
          m_total(std::max<qint64>(total, 1)),
          m_open(open)
    {
        m_dialog->setWindowTitle(QStringLiteral("Gestione Dorvi"));
        m_dialog->setWindowModality(Qt::WindowModal);
        m_dialog->setMinimumDuration(500);
        m_dialog->setAutoClose(false);
        m_dialog->setAutoReset(false);
        m_dialog->setValue(0);
        m_sinceFeed.start();
        m_open.push_back(this);
    }

    ~DialogProgress() override { std::erase(m_open, this); }

    bool advance(qint64 done) override
    {
        if (!m_dialog)
            return !m_cancelled;
        if (m_sinceFeed.elapsed() >= 50) {
            m_dialog->setValue(static_cast<int>(std::min<qint64>(done, m_total) * 1000 / m_total));
            m_sinceFeed.restart();
        }
        return !m_dialog->wasCanceled();
    }

    // The dialog goes for good; the task keeps the user's answer so far.
    void close()
    {
        if (!m_dialog)
            return;
        m_cancelled = m_dialog->wasCanceled();
        m_dialog.reset();
    }

private:
    std::unique_ptr<QProgressDialog> m_dialog;
    qint64 m_total;
    std::vector<DialogProgress*>& m_open;
    QElapsedTimer m_sinceFeed;
    bool m_cancelled = false;
};

namespace {

// Window managers cut a title that does not fit ("Inseris...dorvo"): the dialog is
// made wide enough for its whole title, beside the title bar's icon and buttons.
int widthForTitle(const QString& title)
{
    constexpr int titleBarControls = 160;
    QFont titleFont = QApplication::font();
    titleFont.setBold(true);
    return QFontMetrics(titleFont).horizontalAdvance(title) * 5 / 4 + titleBarControls;
}

// Screen readers announce a dialog by its title and read its message as the
// description, as a sighted user reads the box.
void nameForScreenReaders(QWidget& dialog, const QString& title, const QString& text)
{
    dialog.setAccessibleName(title);
    dialog.setAccessibleDescription(text);
}

} // namespace

QString errorText(const catalogue::Error& error)
{
    return QStringLiteral("Errore %1: %2").arg(error.code()).arg(QString::fromStdString(error.description()));
}

QtWindowServices::QtWindowServices() = default;

QtWindowServices::~QtWindowServices()
{
    closeProgress();
}

// A message belongs to the task under way, or comes after it: either way its
// progress dialog is done, and must not cover the message.
void QtWindowServices::closeProgress()
{
    for (DialogProgress* progress : m_openProgress)
        progress->close();
}

void QtWindowServices::information(const QString& text, const QString& title)
{
    closeProgress();
    QMessageBox box(QMessageBox::Information, title, text, QMessageBox::Ok, m_window);
    nameForScreenReaders(box, title, text);
    box.exec();
}

QString QtWindowServices::prompt(const QString& text, const QString& title)
{
    closeProgress();
    QInputDialog dialog(m_window);
    dialog.setWindowTitle(title);
    dialog.setLabelText(text);
    dialog.setTextValue(QString());
    // The dialog's layout sets its own minimum size, so the width goes to the field.
    nameForScreenReaders(dialog, title, text);
    if (auto* field = dialog.findChild<QLineEdit*>()) {
        field->setMinimumWidth(widthForTitle(title));
        field->setAccessibleName(text);
    }
    return dialog.exec() == QDialog::Accepted ? dialog.textValue() : QString();
}

bool QtWindowServices::confirm(const QString& text, const QString& title)
{
    closeProgress();
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, m_window);
    box.setDefaultButton(QMessageBox::No);
    nameForScreenReaders(box, title, text);
    return box.exec() == QMessageBox::Yes;
}

void QtWindowServices::showError(const catalogue::Error& error)
{
    closeProgress();
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Errore di run-time"), errorText(error),
                    QMessageBox::Ok, m_window);
    if (!error.engineMessage().empty())
        box.setInformativeText(QStringLiteral("Dettagli del motore: %1")
                                   .arg(QString::fromStdString(error.engineMessage())));
    nameForScreenReaders(box, box.windowTitle(), box.text());
    box.exec();
}

QString QtWindowServices::programFolder() const
{
    return QCoreApplication::applicationDirPath();
}

QString QtWindowServices::saveFileName(const QString& title, const QString& proposed, const QString& filter)
{
    closeProgress();
    // Qt's own dialog, which the program's translation makes Italian on every desktop.
    QFileDialog dialog(m_window, title, proposed, filter);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QFileInfo(proposed).suffix());
    dialog.selectFile(proposed);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

QString QtWindowServices::openFileName(const QString& title, const QString& filter)
{
    closeProgress();
    QFileDialog dialog(m_window, title, QString(), filter);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

std::unique_ptr<Progress> QtWindowServices::progress(const QString& text, qint64 total)
{
    return std::make_unique<DialogProgress>(m_window, text, total, m_openProgress);
}

void QtWindowServices::printPreview(const QPageLayout& layout, const std::function<void(QPrinter&)>& paint)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(layout);
    QPrintPreviewDialog dialog(&printer, m_window);
    dialog.setWindowTitle(QStringLiteral("Anteprima di stampa"));
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&paint](QPrinter* target) { paint(*target); });
    dialog.exec();
}

int QtWindowServices::runDialog(QDialog& dialog)
{
    return dialog.exec();
}

void QtWindowServices::openFolder(const QString& folder)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

void QtWindowServices::end()
{
    if (m_window)
        m_window->close();
    QCoreApplication::quit();
}
