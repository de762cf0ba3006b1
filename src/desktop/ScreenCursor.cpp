#include "desktop/ScreenCursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace {
CursorShape g_shape = CursorShape::Default;
}

namespace ScreenCursor {

void set(CursorShape shape)
{
    if (shape == g_shape)
        return;
    g_shape = shape;
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return;
    if (shape == CursorShape::Hourglass)
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    else
        QGuiApplication::restoreOverrideCursor();
}

CursorShape current()
{
    return g_shape;
}

} // namespace ScreenCursor
