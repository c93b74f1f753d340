#include "fakes.h"

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
