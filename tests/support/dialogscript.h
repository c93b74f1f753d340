#pragma once

#include <QApplication>
#include <QList>
#include <QProgressDialog>
#include <QTimer>

#include <functional>

// Runs `act` on the first visible top-level widget of type T once one shows,
// looking every 20 ms: a modal dialog's own event loop runs it. The looking ends
// with `owner` too, so a dialog that never came cannot be answered in a later test.
template <typename T>
void whenShown(QObject& owner, std::function<void(T*)> act)
{
    auto* timer = new QTimer(&owner);
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* shown = qobject_cast<T*>(widget); shown && shown->isVisible()) {
                timer->stop();
                timer->deleteLater();
                act(shown);
                return;
            }
        }
    });
    timer->start();
}

// The progress dialogs on screen.
inline QList<QProgressDialog*> visibleProgress()
{
    QList<QProgressDialog*> visible;
    for (QWidget* widget : QApplication::allWidgets()) {
        if (auto* dialog = qobject_cast<QProgressDialog*>(widget); dialog && dialog->isVisible())
            visible << dialog;
    }
    return visible;
}
