#include "qtwindowservices.h"

#include "error.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

QString errorText(const catalogue::Error& error)
{
    return QStringLiteral("Errore %1: %2").arg(error.code()).arg(QString::fromStdString(error.description()));
}

void QtWindowServices::information(const QString& text, const QString& title)
{
    QMessageBox box(QMessageBox::Information, title, text, QMessageBox::Ok, m_window);
    box.exec();
}

QString QtWindowServices::prompt(const QString& text, const QString& title)
{
    QInputDialog dialog(m_window);
    dialog.setWindowTitle(title);
    dialog.setLabelText(text);
    dialog.setTextValue(QString());
    return dialog.exec() == QDialog::Accepted ? dialog.textValue() : QString();
}

bool QtWindowServices::confirm(const QString& text, const QString& title)
{
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, m_window);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void QtWindowServices::showError(const catalogue::Error& error)
{
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Errore di run-time"), errorText(error),
                    QMessageBox::Ok, m_window);
    if (!error.engineMessage().empty())
        box.setInformativeText(QStringLiteral("Dettagli del motore: %1")
                                   .arg(QString::fromStdString(error.engineMessage())));
    box.exec();
}

QString QtWindowServices::programFolder() const
{
    return QCoreApplication::applicationDirPath();
}

void QtWindowServices::end()
{
    if (m_window)
        m_window->close();
    QCoreApplication::quit();
}
