#include "core/AboutForm.h"
#include "controls/TFlatSB.h"
#include "core/HelpOpener.h"
#include "platform/AppPaths.h"
#include "desktop/MessageBoxes.h"
#include "support/TestEnvironment.h"

#include <QFileInfo>
#include <QLabel>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

TEST(Help, OpensTheProgramsOwnPageWhenNoHelpChmIsThere)
{
    ASSERT_FALSE(QFileInfo::exists(AppPaths::assetPath(QStringLiteral("Help.chm"))));
    MessageBoxRecorder boxes;
    QList<QUrl> opened;
    EXPECT_TRUE(THelpOpener([&](const QUrl& url) {
                    opened.append(url);
                    return true;
                }).open());
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened.first().toLocalFile(), AppPaths::assetPath(QStringLiteral("help/index.html")));
    EXPECT_TRUE(QFileInfo::exists(opened.first().toLocalFile()));
    EXPECT_TRUE(boxes.boxes().isEmpty());
}

TEST(Help, AFailureToOpenShowsItsNumber)
{
    MessageBoxRecorder boxes;
    EXPECT_FALSE(THelpOpener([](const QUrl&) { return false; }).open());
    ASSERT_EQ(boxes.boxes().size(), 1);
    EXPECT_TRUE(boxes.texts().first().startsWith(QStringLiteral("#528 "))) << boxes.texts().first().toStdString();
    EXPECT_EQ(boxes.boxes().first().icon, MsgIcon::Error);
}

TEST(AboutBox, ShowsTheStoredVersion)
{
    struct Case {
        QString values;
        QString shown;
    };
    for (const Case& c : {Case{QStringLiteral("\"Ver\"=\"0.9 beta\""), QStringLiteral("0.9 beta")},
                          Case{QString(), QString()}}) {
        TestEnvironment env;
        env.writeStandardRegistry(c.values);
        TAboutForm about;
        EXPECT_EQ(about.windowTitle(), QStringLiteral("Info"));
        QTimer::singleShot(0, &about, [&] {
            EXPECT_EQ(about.Label4->text(), c.shown);
            about.FlatSB1->click();
        });
        about.exec();
        EXPECT_FALSE(about.isVisible());
    }
}

} // namespace
