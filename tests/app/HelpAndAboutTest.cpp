#include "controls/TFlatSB.h"
#include "core/AboutForm.h"
#include "core/HelpOpener.h"
#include "desktop/MessageBoxes.h"
#include "mail/RecipientList.h"
#include "mail/SenderMailData.h"
#include "platform/AppPaths.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QRegularExpression>
#include <QSet>
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
    for (const Case& c :
         {Case{QStringLiteral("\"Ver\"=\"0.9 beta\""), QStringLiteral("0.9 beta")}, Case{QString(), QString()}}) {
        TestEnvironment env;
        env.writeStandardRegistry(c.values);
        TAboutForm about;
        EXPECT_EQ(about.windowTitle(), QStringLiteral("Info"));
        QString shown;
        QTimer::singleShot(0, &about, [&] {
            shown = about.Label4->text();
            about.FlatSB1->click();
        });
        about.exec();
        EXPECT_EQ(shown, c.shown);
        EXPECT_FALSE(about.isVisible());
    }
}

} // namespace

// The help lists the placeholders the mails really replace, every one of them and no other.
TEST(HelpPage, NamesExactlyTheRealPlaceholders)
{
    QFile page(AppPaths::assetPath(QStringLiteral("help/index.html")));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(page.readAll());
    QSet<QString> named;
    const QRegularExpression token(QStringLiteral("&lt;#([^\\s<>&]+)&gt;"));
    for (auto it = token.globalMatch(html); it.hasNext();) {
        const QString name = it.next().captured(1);
        if (!name.isEmpty())
            named.insert(QStringLiteral("<#") + name + u'>');
    }
    QSet<QString> real;
    for (const QString& name : TRecipientList::PlaceholderNames())
        real.insert(name);
    for (const QString& name : TSenderMailData::PlaceholderNames())
        real.insert(name);
    EXPECT_TRUE(named == real) << "only in the help: " << QStringList((named - real).values()).join(u' ').toStdString()
                               << "; missing in the help: "
                               << QStringList((real - named).values()).join(u' ').toStdString();
}
