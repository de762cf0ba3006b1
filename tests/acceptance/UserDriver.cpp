#include "UserDriver.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QDeadlineTimer>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QTest>
#include <QWindow>

#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace {

QString withoutMnemonic(QString text)
{
    return text.remove(u'&');
}

QModelIndex findItem(const QAbstractItemView* view, const QString& text)
{
    const QAbstractItemModel* model = view->model();
    if (!model || model->rowCount() == 0)
        return {};
    const QModelIndexList found = model->match(model->index(0, 0), Qt::DisplayRole, text, 1,
                                               Qt::MatchExactly | Qt::MatchRecursive | Qt::MatchCaseSensitive);
    return found.isEmpty() ? QModelIndex() : found.first();
}

// Input goes to the window as the window system delivers it: the window finds the widget under
// the pointer or with the focus, and a window that a modal dialog blocks takes nothing.
QWindow* windowOf(QWidget* widget)
{
    return widget->window()->windowHandle();
}

void mouseOnWindow(QWidget* widget, const QPoint& position, bool twice)
{
    QWidget* top = widget->window();
    const QPoint inWindow = widget->mapTo(top, position);
    QTest::mouseClick(top->windowHandle(), Qt::LeftButton, Qt::NoModifier, inWindow);
    if (twice)
        QTest::mouseDClick(top->windowHandle(), Qt::LeftButton, Qt::NoModifier, inWindow);
}

// Whether the widget still exists, decided on the GUI thread by its address alone. The script
// thread holds plain pointers that a queued input may have made stale; even a QPointer taken
// there would read the object.
bool isLive(const QWidget* widget)
{
    return widget && QApplication::allWidgets().contains(const_cast<QWidget*>(widget));
}

} // namespace

bool UserDriver::waitUntil(const std::function<bool()>& condition, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!onGui(condition)) {
        if (deadline.hasExpired())
            return false;
        // The poll interval only; the bound above decides.
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

QMessageBox* UserDriver::waitForMessageBox(QString* text)
{
    QMessageBox* box = waitForModal<QMessageBox>();
    if (box && text)
        *text = onGui([box] { return isLive(box) ? box->text() : QString(); });
    return box;
}

bool UserDriver::waitForNoModal()
{
    return waitUntil([] { return QApplication::activeModalWidget() == nullptr; });
}

QAbstractButton* UserDriver::button(QWidget* parent, const QString& text)
{
    return onGui([=]() -> QAbstractButton* {
        if (!isLive(parent))
            return nullptr;
        for (QAbstractButton* each : parent->findChildren<QAbstractButton*>()) {
            if (each->isVisible() && withoutMnemonic(each->text()) == text)
                return each;
        }
        return nullptr;
    });
}

void UserDriver::post(std::function<void()> input)
{
    QMetaObject::invokeMethod(qApp, std::move(input), Qt::QueuedConnection);
}

void UserDriver::click(QWidget* widget)
{
    clickAt(widget, QPoint());
}

void UserDriver::clickAt(QWidget* widget, const QPoint& position)
{
    post([this, widget, position] {
        if (!isLive(widget) || !widget->isVisible()) {
            m_inputLost = true;
            return;
        }
        mouseOnWindow(widget, position.isNull() ? widget->rect().center() : position, false);
    });
}

void UserDriver::clickItemAt(QAbstractItemView* view, const QString& text, bool twice)
{
    post([this, view, text, twice] {
        const QModelIndex index = isLive(view) ? findItem(view, text) : QModelIndex();
        const QRect rect = index.isValid() ? view->visualRect(index) : QRect();
        // A user cannot click an item that is not on the screen.
        if (!rect.isValid() || !view->viewport()->rect().contains(rect.center())) {
            m_inputLost = true;
            return;
        }
        mouseOnWindow(view->viewport(), rect.center(), twice);
    });
}

void UserDriver::clickItem(QAbstractItemView* view, const QString& text)
{
    clickItemAt(view, text, false);
}

void UserDriver::doubleClickItem(QAbstractItemView* view, const QString& text)
{
    clickItemAt(view, text, true);
}

void UserDriver::type(QWidget* widget, const QString& text)
{
    click(widget);
    post([this, widget, text] {
        if (!isLive(widget)) {
            m_inputLost = true;
            return;
        }
        QWindow* window = windowOf(widget);
        // QTest spells only ASCII; other characters come as the key a German keyboard sends.
        for (const QChar c : text) {
            if (c.unicode() < 0x80) {
                QTest::keyClick(window, char(c.unicode()));
            } else {
                for (const bool press : {true, false})
                    QTest::simulateEvent(window, press, c.toUpper().unicode(), Qt::NoModifier, QString(c), false);
            }
        }
    });
}

void UserDriver::key(QWidget* widget, Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    post([this, widget, key, modifiers] {
        if (!isLive(widget)) {
            m_inputLost = true;
            return;
        }
        QTest::keyClick(windowOf(widget), key, modifiers);
    });
}

bool UserDriver::chooseMenu(QMainWindow* window, const QString& menu, const QString& entry)
{
    return chooseMenu(window, menu, QStringList{entry});
}

bool UserDriver::chooseMenu(QMainWindow* window, const QString& menu, const QStringList& path)
{
    QMenu* popup = onGui([=]() -> QMenu* {
        for (QAction* action : window->menuBar()->actions()) {
            if (action->menu() && withoutMnemonic(action->text()) == menu)
                return action->menu();
        }
        return nullptr;
    });
    if (!popup)
        return false;
    post([this, window, popup] {
        QMenuBar* bar = window->menuBar();
        const QRect place = bar->actionGeometry(popup->menuAction());
        if (!place.isValid()) {
            m_inputLost = true;
            return;
        }
        mouseOnWindow(bar, place.center(), false);
    });
    QMenu* top = popup;
    for (const QString& entry : path) {
        if (!waitUntil([popup] { return popup->isVisible(); }))
            return false;
        QMenu* submenu = onGui([popup, entry]() -> QMenu* {
            for (QAction* action : popup->actions()) {
                if (withoutMnemonic(action->text()) == entry)
                    return action->menu();
            }
            return nullptr;
        });
        post([this, popup, entry] {
            for (QAction* action : popup->actions()) {
                if (withoutMnemonic(action->text()) == entry) {
                    mouseOnWindow(popup, popup->actionGeometry(action).center(), false);
                    return;
                }
            }
            m_inputLost = true;
        });
        if (!submenu)
            break;
        popup = submenu;
    }
    return waitUntil([top] { return !top->isVisible(); });
}

bool UserDriver::answer(QMessageBox* box, const QString& buttonText)
{
    QAbstractButton* choice = button(box, buttonText);
    if (!choice)
        return false;
    click(choice);
    return waitUntil([box] { return !isLive(box) || !box->isVisible(); });
}

void UserDriver::snapshot(QWidget* window, const QString& name)
{
    const QString folder = qEnvironmentVariable("KUB_WALK_SHOTS");
    if (folder.isEmpty() || !window)
        return;
    const QString file = QStringLiteral("%1/%2-%3.png").arg(folder).arg(++m_shots, 2, 10, QLatin1Char('0')).arg(name);
    // Queued behind the inputs so far, so the window shows what they did.
    onGui([window, file] {
        QDir().mkpath(QFileInfo(file).path());
        window->grab().save(file);
    });
}

void UserDriver::snapshotScreen(const QString& name)
{
    const QString folder = qEnvironmentVariable("KUB_WALK_SHOTS");
    if (folder.isEmpty())
        return;
    const QString file = QStringLiteral("%1/%2-%3.png").arg(folder).arg(++m_shots, 2, 10, QLatin1Char('0')).arg(name);
    onGui([file] {
        QDir().mkpath(QFileInfo(file).path());
        if (QScreen* screen = QGuiApplication::primaryScreen())
            screen->grabWindow(0).save(file);
    });
}

void UserDriver::endProgram(const std::function<QWidget*()>& mainWindow)
{
    const QDeadlineTimer deadline(kWaitMs);
    while (!deadline.hasExpired() && onGui(mainWindow)) {
        post([mainWindow] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                if (auto* dialog = qobject_cast<QDialog*>(modal))
                    dialog->reject();
                else
                    modal->close();
            } else if (QWidget* main = mainWindow()) {
                main->close();
            }
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}
