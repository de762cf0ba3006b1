#include "platform/WindowMessages.h"

#include <QObject>

#include <gtest/gtest.h>
#include <memory>

namespace {

class Receiver : public QObject {
public:
    QList<int> received;
    bool event(QEvent* event) override
    {
        if (event->type() < QEvent::User)
            return QObject::event(event);
        received.append(event->type());
        return true;
    }
};

TEST(WindowMessages, AreHandledBeforeSendReturnsAndNeverReachAFreedWindow)
{
    auto receiver = std::make_unique<Receiver>();
    WindowMessages::setMainWindow(receiver.get());
    EXPECT_TRUE(WindowMessages::send(WindowMessages::WM_SENDWINDOWCLOSED));
    EXPECT_TRUE(WindowMessages::send(WindowMessages::WM_LOGSCHANGED));
    EXPECT_EQ(receiver->received, (QList<int>{40868, 40869}));

    receiver.reset();
    EXPECT_EQ(WindowMessages::mainWindow(), nullptr);
    EXPECT_FALSE(WindowMessages::send(WindowMessages::WM_LOGSCHANGED));
}

} // namespace
