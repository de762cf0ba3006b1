#pragma once

#include <QList>
#include <QString>
#include <QWindow>

// What the X server and the window manager know of the program's windows, asked with the X
// utilities (xwininfo, xprop) on the display of DISPLAY: the view from outside the program.
// Callable from any thread; each call waits for its utility up to a bound.
namespace X11Facts {

// The window is mapped and all its ancestors are: it can be seen unless something covers it.
bool isViewable(WId window);

// The windows the window manager manages, from the bottom of its stack to the top.
QList<WId> stackingOrder();

// The window that has the keyboard, as the window manager says (_NET_ACTIVE_WINDOW); 0 for none.
WId activeWindow();

// A text property of the window read as UTF-8 (what Qt writes), e.g. _NET_WM_NAME or WM_NAME;
// empty when the window has none.
QString textProperty(WId window, const QString& name);

} // namespace X11Facts
