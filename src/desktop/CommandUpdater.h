#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>

class QAction;
class QMenu;

// Runs the update handlers of commands (QActions) the way users of such programs expect: the
// handlers of commands shown on a visible control or as a top-level menu-bar item run whenever
// the event loop is about to wait; those of a submenu's items run when that submenu opens; a
// command linked to nothing visible is not updated. A list-wide handler runs at every idle
// moment first. Main thread only. Handlers must not spin the event loop.
class CommandUpdater : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(QAction*)>;

    explicit CommandUpdater(QObject* parent = nullptr);

    // Call after the action has been put into its menus and controls; menus it is added to later
    // are not watched. The updater does not own the action.
    void addCommand(QAction* action, Handler handler);
    void setIdleHandler(std::function<void()> handler) { m_idleHandler = std::move(handler); }

    // What the event loop runs when it is about to wait; public so tests can run it directly.
    void runIdleUpdates();
    void runMenuUpdates(QMenu* menu);

private:
    struct Command {
        QPointer<QAction> action;
        Handler handler;
    };

    void watchMenu(QMenu* menu);
    static bool shownAtIdle(const QAction* action);

    QList<Command> m_commands;
    QList<QPointer<QMenu>> m_watchedMenus;
    std::function<void()> m_idleHandler;
    bool m_running = false;
};
