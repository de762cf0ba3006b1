#pragma once

#include <QApplication>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <atomic>
#include <functional>
#include <type_traits>

class QAbstractButton;
class QAbstractItemView;
class QMainWindow;
class QMessageBox;

// Plays a user at the real program from a script thread while the GUI thread runs the program's
// own event loops, the nested ones of modal dialogs included. Every input is an event at the
// place a user would click or type, queued to the GUI thread in order and never waited for (it
// may open a modal dialog whose loop only ends later); what the program shows is read back with
// onGui(). Waits poll a condition up to a generous bound. Call everything from the script thread.
class UserDriver {
public:
    static constexpr int kWaitMs = 60000;

    // Runs a reading on the GUI thread and returns its result. It must not open a window.
    template <class F> auto onGui(F&& read) -> std::invoke_result_t<F&>
    {
        using Result = std::invoke_result_t<F&>;
        if constexpr (std::is_void_v<Result>) {
            QMetaObject::invokeMethod(qApp, read, Qt::BlockingQueuedConnection);
        } else {
            Result result{};
            QMetaObject::invokeMethod(
                qApp, [&] { result = read(); }, Qt::BlockingQueuedConnection);
            return result;
        }
    }

    // Polls the condition on the GUI thread until it holds; false after timeoutMs.
    bool waitUntil(const std::function<bool()>& condition, int timeoutMs = kWaitMs);

    // The active modal widget once it is a W (and, when given, has this object name); null when
    // none came within the bound.
    template <class W> W* waitForModal(const QString& objectName = {})
    {
        W* found = nullptr;
        waitUntil([&] {
            found = qobject_cast<W*>(QApplication::activeModalWidget());
            if (found && !objectName.isEmpty() && found->objectName() != objectName)
                found = nullptr;
            return found != nullptr;
        });
        return found;
    }
    // The active modal message box once it is up; its text goes into text.
    QMessageBox* waitForMessageBox(QString* text = nullptr);
    // A visible top-level window of type W that matches; null when none came within the bound.
    template <class W> W* waitForWindow(const std::function<bool(W*)>& matches = {})
    {
        W* found = nullptr;
        waitUntil([&] {
            for (QWidget* window : QApplication::topLevelWidgets()) {
                auto* candidate = qobject_cast<W*>(window);
                if (candidate && candidate->isVisible() && (!matches || matches(candidate))) {
                    found = candidate;
                    return true;
                }
            }
            return false;
        });
        return found;
    }
    // Waits until no modal widget is up.
    bool waitForNoModal();

    // A child by object name, found on the GUI thread.
    template <class W> W* child(QObject* parent, const QString& objectName)
    {
        return onGui([=] { return parent->findChild<W*>(objectName); });
    }
    // The first visible child button whose text (without "&") is text.
    QAbstractButton* button(QWidget* parent, const QString& text);

    // Input, queued in order.
    void click(QWidget* widget);
    void clickAt(QWidget* widget, const QPoint& position);
    // Clicks the item of the view whose text in column 0 is text (searched in the whole tree).
    void clickItem(QAbstractItemView* view, const QString& text);
    void doubleClickItem(QAbstractItemView* view, const QString& text);
    // Clicks into the widget, then types the text key by key.
    void type(QWidget* widget, const QString& text);
    void key(QWidget* widget, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    // Clicks the menu bar's menu, waits for it to open and clicks the entry; an entry before the
    // last one of a path opens its submenu.
    bool chooseMenu(QMainWindow* window, const QString& menu, const QString& entry);
    bool chooseMenu(QMainWindow* window, const QString& menu, const QStringList& path);
    // Clicks the message box's button of this text.
    bool answer(QMessageBox* box, const QString& buttonText);

    // With KUB_WALK_SHOTS naming a folder, saves what the window shows there as NN-name.png.
    void snapshot(QWidget* window, const QString& name);
    // The same for the whole screen, every window as it is stacked there.
    void snapshotScreen(const QString& name);

    // After a failed stretch: every modal dialog is closed and then the main window, until the
    // program has ended (or the bound is reached).
    void endProgram(const std::function<QWidget*()>& mainWindow);

    // False once an input found its widget gone or its item missing.
    bool inputsArrived() const { return !m_inputLost; }

private:
    void post(std::function<void()> input);
    void clickItemAt(QAbstractItemView* view, const QString& text, bool twice);

    std::atomic<bool> m_inputLost{false};
    int m_shots = 0;
};
