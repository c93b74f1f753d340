#include "fakes.h"

#include <QDialog>
#include <QPrinter>

namespace {

class ScriptedProgress : public Progress {
public:
    explicit ScriptedProgress(std::optional<qint64> cancelAt) : m_cancelAt(cancelAt) {}
    bool advance(qint64 done) override
    {
        m_cancelled = m_cancelled || (m_cancelAt && done >= *m_cancelAt);
        return !m_cancelled;
    }

private:
    std::optional<qint64> m_cancelAt;
    bool m_cancelled = false;
};

} // namespace

QString FakeWindowServices::saveFileName(const QString& title, const QString& proposed, const QString&)
{
    fileDialogs.push_back({proposed, title});
    return nextFileAnswer();
}

QString FakeWindowServices::openFileName(const QString& title, const QString& filter)
{
    fileDialogs.push_back({filter, title});
    return nextFileAnswer();
}

QString FakeWindowServices::nextFileAnswer()
{
    if (fileAnswers.empty())
        return QString();
    QString answer = fileAnswers.front();
    fileAnswers.pop_front();
    return answer;
}

std::unique_ptr<Progress> FakeWindowServices::progress(const QString&, qint64 total)
{
    progressTotals.push_back(total);
    return std::make_unique<ScriptedProgress>(cancelAt);
}

void FakeWindowServices::printPreview(const QPageLayout& layout, const std::function<void(QPrinter&)>& paint)
{
    ++previews;
    if (printedTo.isEmpty())
        return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(printedTo);
    printer.setPageLayout(layout);
    paint(printer);
}

int FakeWindowServices::runDialog(QDialog& dialog)
{
    ++dialogsRun;
    if (dialogScript)
        dialogScript(dialog);
    return dialog.result();
}

void FakeWindowServices::information(const QString& text, const QString& title)
{
    informations.push_back({text, title});
}

QString FakeWindowServices::prompt(const QString& text, const QString& title)
{
    prompts.push_back({text, title});
    if (promptAnswers.empty())
        return QString();
    QString answer = promptAnswers.front();
    promptAnswers.pop_front();
    return answer;
}

bool FakeWindowServices::confirm(const QString& text, const QString& title)
{
    confirmations.push_back({text, title});
    if (confirmAnswers.empty())
        return false;
    const bool answer = confirmAnswers.front();
    confirmAnswers.pop_front();
    return answer;
}

void FakeWindowServices::showError(const catalogue::Error& error)
{
    errors.push_back(error);
}

void FakeGrid::setDataSource(std::shared_ptr<catalogue::Recordset> source)
{
    dataSource = std::move(source);
    calls << QStringLiteral("DataSource");
}

namespace {
QString flag(const char* name, bool value)
{
    return QString::fromLatin1(name) + (value ? QStringLiteral("=true") : QStringLiteral("=false"));
}
} // namespace

void FakeGrid::setAllowAddNew(bool allow)
{
    allowAddNew = allow;
    calls << flag("AllowAddNew", allow);
}

void FakeGrid::setAllowDelete(bool allow)
{
    allowDelete = allow;
    calls << flag("AllowDelete", allow);
}

void FakeGrid::setAllowUpdate(bool allow)
{
    allowUpdate = allow;
    calls << flag("AllowUpdate", allow);
}

void FakeGrid::setBackColor(std::uint32_t color)
{
    backColor = color;
    calls << QStringLiteral("BackColor=%1").arg(color);
}
