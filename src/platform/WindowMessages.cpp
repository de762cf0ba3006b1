#include "platform/WindowMessages.h"

#include <QCoreApplication>
#include <QPointer>

namespace {

QPointer<QObject> g_mainWindow;

// Reserves the two numbers so that no other part of the process registers them for itself.
[[maybe_unused]] const bool g_registered = [] {
    QEvent::registerEventType(WindowMessages::WM_SENDWINDOWCLOSED);
    QEvent::registerEventType(WindowMessages::WM_LOGSCHANGED);
    return true;
}();

} // namespace

namespace WindowMessages {

void setMainWindow(QObject* mainWindow)
{
    g_mainWindow = mainWindow;
}

QObject* mainWindow()
{
    return g_mainWindow.data();
}

bool send(QEvent::Type message)
{
    if (!g_mainWindow)
        return false;
    QEvent event(message);
    return QCoreApplication::sendEvent(g_mainWindow.data(), &event);
}

} // namespace WindowMessages
