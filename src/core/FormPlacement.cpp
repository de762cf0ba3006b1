#include "core/FormPlacement.h"

#include "platform/AppPaths.h"
#include "platform/RegistryStore.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace {

enum SavedState { StateNormal = 0, StateMaximized = 2 };

bool onSomeScreen(const QRect& frame)
{
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect visible = screen->availableGeometry().intersected(frame);
        if (visible.width() >= 50 && visible.height() >= 30)
            return true;
    }
    return false;
}

} // namespace

TFormPlacement::TFormPlacement(QWidget* form, QSize minimumTrackingSize) : m_form(form)
{
    m_form->setMinimumSize(minimumTrackingSize);
}

QString TFormPlacement::key() const
{
    return QStringLiteral("Software\\") + AppPaths::programBaseName() + u'\\' +
           QString::fromLatin1(m_form->metaObject()->className());
}

bool TFormPlacement::restore()
{
    QRect frame;
    int state = StateNormal;
    try {
        RegistryStore registry;
        registry.setRoot(RegistryRoot::CurrentUser);
        if (!registry.openKey(key(), false))
            return false;
        frame = QRect(registry.readInteger(QStringLiteral("Left")), registry.readInteger(QStringLiteral("Top")),
                      registry.readInteger(QStringLiteral("Width")), registry.readInteger(QStringLiteral("Height")));
        state = registry.readInteger(QStringLiteral("State"));
    } catch (const ERegistryException&) {
        // An incomplete or foreign entry is ignored like a missing one.
        return false;
    }
    const QSize size = frame.size().expandedTo(m_form->minimumSize());
    if (onSomeScreen(QRect(frame.topLeft(), size))) {
        m_form->resize(size);
        m_form->move(frame.topLeft());
    } else {
        m_form->resize(size);
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            m_form->move(screen->availableGeometry().center() - QPoint(size.width() / 2, size.height() / 2));
    }
    m_form->setWindowState(state == StateMaximized ? Qt::WindowMaximized : Qt::WindowNoState);
    return true;
}

void TFormPlacement::save() const
{
    const bool maximized = m_form->isMaximized();
    const QRect normal = maximized || m_form->isMinimized() ? m_form->normalGeometry() : m_form->geometry();
    const QRect frame = normal.isValid() ? normal : m_form->geometry();
    try {
        RegistryStore registry;
        registry.setRoot(RegistryRoot::CurrentUser);
        registry.openKey(key(), true);
        registry.writeInteger(QStringLiteral("Left"), frame.left());
        registry.writeInteger(QStringLiteral("Top"), frame.top());
        registry.writeInteger(QStringLiteral("Width"), frame.width());
        registry.writeInteger(QStringLiteral("Height"), frame.height());
        registry.writeInteger(QStringLiteral("State"), maximized ? StateMaximized : StateNormal);
    } catch (const ERegistryException&) {
        // The placement is a convenience; a read-only settings file must not stop the program from closing.
    }
}
