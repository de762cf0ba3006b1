#pragma once

#include <QEvent>

class QObject;

// Messages between the program's own windows, as custom event types with the program's numbers.
// They are sent synchronously: send() returns after the main window has handled the message.
// Main thread only.
namespace WindowMessages {

// A status window has closed; the main window frees closed status windows soon after.
inline constexpr QEvent::Type WM_SENDWINDOWCLOSED = static_cast<QEvent::Type>(40868);
// The send logs have changed; the main window rebuilds its log nodes at once.
inline constexpr QEvent::Type WM_LOGSCHANGED = static_cast<QEvent::Type>(40869);

// The receiver of send(): the main window registers itself while it exists (it is held weakly).
void setMainWindow(QObject* mainWindow);
QObject* mainWindow();

// Sends the message to the main window and returns whether it was handled; false when there
// is no main window.
bool send(QEvent::Type message);

} // namespace WindowMessages
