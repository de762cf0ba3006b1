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

    QPointer<TOptionForm> shown;
    QTimer::singleShot(0, &form, [&] {
        shown = qobject_cast<TOptionForm*>(QApplication::activeModalWidget());
        ASSERT_TRUE(shown);
        shown->FlatSB3->click();
    });
    settings->trigger();
    EXPECT_TRUE(shown.isNull()) << "the dialog is freed after it closed";
    EXPECT_FALSE(ReadDialUp());
    EXPECT_EQ(ReadMailsPerConnection(), 3);
}

} // namespace
