#include "desktop/MessageBoxes.h"

#include <QApplication>
#include <QCursor>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

namespace {

MessageBoxRecorder* g_recorder = nullptr;
QList<QWidget*> g_hiddenWhileBoxShows;

// Hides the windows that would cover a box for its lifetime; shows again those it hid and that
// still ask for it.
class BoxInFront {
public:
    BoxInFront()
    {
        for (QWidget* window : std::as_const(g_hiddenWhileBoxShows)) {
            if (window->isVisible()) {
                window->hide();
                m_hidden.append(window);
            }
        }
    }
    ~BoxInFront()
    {
        for (const QPointer<QWidget>& window : std::as_const(m_hidden)) {
            if (window && g_hiddenWhileBoxShows.contains(window.data()))
                window->show();
        }
    }
    BoxInFront(const BoxInFront&) = delete;
    BoxInFront& operator=(const BoxInFront&) = delete;

private:
    QList<QPointer<QWidget>> m_hidden;
};

MsgAnswer firstAnswer(MsgButtons buttons)
{
    switch (buttons) {
    case MsgButtons::Ok:
    case MsgButtons::OkCancel:
        return MsgAnswer::Ok;
    case MsgButtons::YesNo:
    case MsgButtons::YesNoCancel:
        return MsgAnswer::Yes;
    case MsgButtons::RetryCancel:
        return MsgAnswer::Retry;
    }
    return MsgAnswer::Ok;
}

QMessageBox::Icon toQt(MsgIcon icon)
{
    switch (icon) {
    case MsgIcon::None:
        return QMessageBox::NoIcon;
    case MsgIcon::Error:
        return QMessageBox::Critical;
    case MsgIcon::Warning:
        return QMessageBox::Warning;
    case MsgIcon::Information:
        return QMessageBox::Information;
    case MsgIcon::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

QString title(MsgIcon icon)
{
    switch (icon) {
    case MsgIcon::Error:
        return QStringLiteral("Fehler");
    case MsgIcon::Warning:
        return QStringLiteral("Warnung");
    case MsgIcon::Information:
        return QStringLiteral("Information");
    case MsgIcon::Question:
        return QStringLiteral("Bestätigen");
    case MsgIcon::None:
        break;
    }
    return QStringLiteral("kubNEWSLETTER");
}

} // namespace

HiddenWhileBoxShows::HiddenWhileBoxShows(QWidget* window) : m_window(window)
{
    g_hiddenWhileBoxShows.append(window);
}

HiddenWhileBoxShows::~HiddenWhileBoxShows()
{
    g_hiddenWhileBoxShows.removeOne(m_window);
}

MessageBoxRecorder::MessageBoxRecorder()
{
    Q_ASSERT(!g_recorder);
    g_recorder = this;
}

MessageBoxRecorder::~MessageBoxRecorder()
{
    g_recorder = nullptr;
}

QStringList MessageBoxRecorder::texts() const
{
    QStringList result;
    for (const Box& box : m_boxes)
        result.append(box.text);
    return result;
}

MsgAnswer MessageBoxRecorder::record(const QString& text, MsgIcon icon, MsgButtons buttons)
{
    m_boxes.append(Box{text, icon, buttons, ScreenCursor::current()});
    return m_script.isEmpty() ? firstAnswer(buttons) : m_script.takeFirst();
}

namespace MessageBoxes {

MsgAnswer show(const QString& text, MsgIcon icon, MsgButtons buttons, QWidget* parent)
{
    if (g_recorder)
        return g_recorder->record(text, icon, buttons);

    QMessageBox box(toQt(icon), title(icon), text, QMessageBox::NoButton, parent);
    struct Choice {
        MsgAnswer answer;
        QString caption;
        QMessageBox::ButtonRole role;
    };
    QList<Choice> choices;
    switch (buttons) {
    case MsgButtons::Ok:
        choices = {{MsgAnswer::Ok, QStringLiteral("OK"), QMessageBox::AcceptRole}};
        break;
    case MsgButtons::OkCancel:
        choices = {{MsgAnswer::Ok, QStringLiteral("OK"), QMessageBox::AcceptRole},
                   {MsgAnswer::Cancel, QStringLiteral("Abbrechen"), QMessageBox::RejectRole}};
        break;
    case MsgButtons::YesNo:
        choices = {{MsgAnswer::Yes, QStringLiteral("&Ja"), QMessageBox::YesRole},
                   {MsgAnswer::No, QStringLiteral("&Nein"), QMessageBox::NoRole}};
        break;
    case MsgButtons::YesNoCancel:
        choices = {{MsgAnswer::Yes, QStringLiteral("&Ja"), QMessageBox::YesRole},
                   {MsgAnswer::No, QStringLiteral("&Nein"), QMessageBox::NoRole},
                   {MsgAnswer::Cancel, QStringLiteral("Abbrechen"), QMessageBox::RejectRole}};
        break;
    case MsgButtons::RetryCancel:
        choices = {{MsgAnswer::Retry, QStringLiteral("&Wiederholen"), QMessageBox::AcceptRole},
                   {MsgAnswer::Cancel, QStringLiteral("Abbrechen"), QMessageBox::RejectRole}};
        break;
    }
    QList<QAbstractButton*> created;
    for (const Choice& choice : choices)
        created.append(box.addButton(choice.caption, choice.role));
    if (!created.isEmpty())
        box.setDefaultButton(qobject_cast<QPushButton*>(created.first()));

    {
        const BoxInFront inFront;
        QApplication::setOverrideCursor(QCursor(Qt::ArrowCursor));
        box.exec();
        QApplication::restoreOverrideCursor();
    }

    const qsizetype index = created.indexOf(box.clickedButton());
    if (index >= 0)
        return choices.at(index).answer;
    // Closed with Escape or the window frame: the box's cancel choice, else its last.
    return choices.last().answer;
}

} // namespace MessageBoxes
