#pragma once

#include "desktop/ScreenCursor.h"

#include <QList>
#include <QString>

class QWidget;

enum class MsgIcon { None, Error, Warning, Information, Question };
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class MsgAnswer { Ok, Cancel, Yes, No, Retry };

// One service for every message box of the program. Main thread only.
namespace MessageBoxes {

// Shows a modal box; while it is up the arrow cursor shows. Returns the button pressed.
MsgAnswer show(const QString& text, MsgIcon icon, MsgButtons buttons, QWidget* parent = nullptr);

inline void error(const QString& text, QWidget* parent = nullptr)
{
    show(text, MsgIcon::Error, MsgButtons::Ok, parent);
}
inline void warning(const QString& text, QWidget* parent = nullptr)
{
    show(text, MsgIcon::Warning, MsgButtons::Ok, parent);
}
inline void information(const QString& text, QWidget* parent = nullptr)
{
    show(text, MsgIcon::Information, MsgButtons::Ok, parent);
}
// The plain message: no icon, OK only.
inline void plain(const QString& text, QWidget* parent = nullptr)
{
    show(text, MsgIcon::None, MsgButtons::Ok, parent);
}
// A Yes/No question; true on Yes.
inline bool askYesNo(const QString& text, MsgIcon icon = MsgIcon::Warning, QWidget* parent = nullptr)
{
    return show(text, icon, MsgButtons::YesNo, parent) == MsgAnswer::Yes;
}

} // namespace MessageBoxes

// A window that stays on top of the others, such as the splash, would cover every box opened
// while it shows. While an object of this class exists, its window hides while a box is up and
// shows again after it. The window must outlive the object. Main thread only.
class HiddenWhileBoxShows {
public:
    explicit HiddenWhileBoxShows(QWidget* window);
    ~HiddenWhileBoxShows();
    HiddenWhileBoxShows(const HiddenWhileBoxShows&) = delete;
    HiddenWhileBoxShows& operator=(const HiddenWhileBoxShows&) = delete;

private:
    QWidget* m_window;
};

// Test mode: while an object of this class exists, boxes are recorded instead of shown and are
// answered from a script (then by the first button of each box). Not nestable.
class MessageBoxRecorder {
public:
    struct Box {
        QString text;
        MsgIcon icon;
        MsgButtons buttons;
        CursorShape cursorBefore; // the screen cursor when the box was asked for
    };

    MessageBoxRecorder();
    ~MessageBoxRecorder();
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    void answerNext(MsgAnswer answer) { m_script.append(answer); }
    const QList<Box>& boxes() const { return m_boxes; }
    QStringList texts() const;
    void clear() { m_boxes.clear(); }

    MsgAnswer record(const QString& text, MsgIcon icon, MsgButtons buttons);

private:
    QList<Box> m_boxes;
    QList<MsgAnswer> m_script;
};
