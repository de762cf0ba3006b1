#include "desktop/CommandUpdater.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>

CommandUpdater::CommandUpdater(QObject* parent) : QObject(parent)
{
    if (auto* dispatcher = QAbstractEventDispatcher::instance(thread()))
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &CommandUpdater::runIdleUpdates);
}

void CommandUpdater::addCommand(QAction* action, Handler handler)
{
    m_commands.append(Command{action, std::move(handler)});
    for (QObject* object : action->associatedObjects()) {
        if (auto* menu = qobject_cast<QMenu*>(object))
            watchMenu(menu);
    }
}

void CommandUpdater::watchMenu(QMenu* menu)
{
    if (m_watchedMenus.contains(menu))
        return;
    m_watchedMenus.append(menu);
    connect(menu, &QMenu::aboutToShow, this, [this, menu] { runMenuUpdates(menu); });
}

bool CommandUpdater::shownAtIdle(const QAction* action)
{
    for (QObject* object : action->associatedObjects()) {
        if (qobject_cast<QMenuBar*>(object))
            return true;
        auto* widget = qobject_cast<QWidget*>(object);
        if (widget && !qobject_cast<QMenu*>(widget) && widget->isVisible())
            return true;
    }
    return false;
}

void CommandUpdater::runIdleUpdates()
{
    // aboutToBlock also comes from the loops of modal boxes a handler may open.
    if (m_running)
        return;
    m_running = true;
    if (m_idleHandler)
        m_idleHandler();
    for (const Command& command : std::as_const(m_commands)) {
        if (command.action && shownAtIdle(command.action))
            command.handler(command.action);
    }
    m_running = false;
}

void CommandUpdater::runMenuUpdates(QMenu* menu)
{
    const QList<QAction*> items = menu->actions();
    for (const Command& command : std::as_const(m_commands)) {
        if (command.action && items.contains(command.action.data()))
            command.handler(command.action);
    }
}
