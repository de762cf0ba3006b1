#include "app/Main.h"
#include "controls/TFlatSB.h"
#include "core/OptionForm.h"
#include "core/SettingsStore.h"
#include "support/TestEnvironment.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPointer>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

TEST(SettingsMenu, OpensTheSettingsDialogModallyAndFreesIt)
{
    TestEnvironment env;
    env.writeStandardRegistry(QStringLiteral("\"DFUE\"=dword:00000001\n\"MAO\"=dword:00000003\n"));
    TMainForm form;
    QAction* settings = nullptr;
    for (QAction* item : form.Erweitert1->actions()) {
        if (item->text() == QStringLiteral("Einstellungen..."))
            settings = item;
    }
    ASSERT_NE(settings, nullptr);

    // Inside the modal run only record and close; whatever stays up is closed, so nothing hangs.
    QPointer<TOptionForm> shown;
    bool settingsShown = false;
    bool okClosed = false;
    QTimer::singleShot(0, &form, [&] {
        const QPointer<QWidget> modal = QApplication::activeModalWidget();
        shown = qobject_cast<TOptionForm*>(modal);
        settingsShown = shown;
        if (shown)
            shown->FlatSB3->click();
        okClosed = settingsShown && (!shown || !shown->isVisible());
        if (modal && modal->isVisible())
            modal->close();
    });
    settings->trigger();
    ASSERT_TRUE(settingsShown);
    EXPECT_TRUE(okClosed);
    EXPECT_TRUE(shown.isNull()) << "the dialog is freed after it closed";
    EXPECT_FALSE(ReadDialUp());
    EXPECT_EQ(ReadMailsPerConnection(), 3);
}

} // namespace
