#include "addressbook/EmpfF.h"
#include "addressbook/RecordGrid.h"
#include "app/Main.h"
#include "controls/TFlatSB.h"
#include "controls/TTACutLabel.h"
#include "core/NewsModuleFixture.h"
#include "desktop/MessageBoxes.h"
#include "support/QtPrinters.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QSplitter>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>
#include <memory>

namespace {

// The main window with the real recipient screen on the fixture's database, whose recipients
// carry values too long for the detail area.
struct RecipientWindow : ::testing::Test {
    MessageBoxRecorder boxes;
    NewsModuleFixture db;
    std::unique_ptr<TMainForm> form;

    void SetUp() override
    {
        db.dm->AdsConnection1.execute(
            QStringLiteral("Fixture"),
            QStringLiteral("UPDATE Adressen SET Firma = 'Gemeindeverwaltung Musterstadt am Main - Kämmerei', "
                           "Email = 'marianne.mustermann-schulze@musterstadt.example', "
                           "BFormel = 'Sehr geehrte Frau Professorin Doktor Mustermann-Schulze'"));
        TMainFormSeams seams;
        seams.createScreen = [this](HostedScreen screen, QWidget* host) -> QWidget* {
            if (screen != HostedScreen::Recipients)
                return nullptr;
            auto* recipients = new TEmpfFrame(*db.dm, host);
            recipients->FCB1Change();
            return recipients;
        };
        form = std::make_unique<TMainForm>(seams);
        form->setWindowState(Qt::WindowNoState);
        form->resize(780, 580);
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        const QRect node = form->NavTV1->visualItemRect(form->itemAt(2));
        QTest::mouseClick(form->NavTV1->viewport(), Qt::LeftButton, {}, node.center());
        settle();
        ASSERT_NE(screen(), nullptr);
        ASSERT_GT(screen()->RxDBGrid1->model()->rowCount(), 0);
    }

    TEmpfFrame* screen() const { return qobject_cast<TEmpfFrame*>(form->hostedWidget()); }

    static void settle()
    {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::sendPostedEvents();
            QApplication::processEvents();
        }
    }

    // Drags the splitter's handle by dx with the mouse.
    void dragSplitter(int dx)
    {
        auto* splitter = form->findChild<QSplitter*>(QStringLiteral("Splitter1"));
        ASSERT_NE(splitter, nullptr);
        QSplitterHandle* handle = splitter->handle(1);
        const QPoint from = handle->rect().center();
        QTest::mousePress(handle, Qt::LeftButton, {}, from);
        for (int step = 1; step <= 10; ++step)
            QTest::mouseMove(handle, from + QPoint(dx * step / 10, 0));
        QTest::mouseRelease(handle, Qt::LeftButton, {}, from + QPoint(dx, 0));
        settle();
    }

    int treeWidth() const { return form->findChild<QSplitter*>(QStringLiteral("Splitter1"))->sizes().first(); }

    // The screen's visible controls: the labels, the sender choice, the buttons and the grid.
    QList<QWidget*> controls() const
    {
        QList<QWidget*> result{screen()->FCB1,    screen()->FlatSB1, screen()->FlatSB2,  screen()->FlatSB3,
                               screen()->FlatSB5, screen()->FlatSB4, screen()->RxDBGrid1};
        for (QLabel* label : screen()->findChildren<QLabel*>()) {
            if (label->isVisible())
                result.append(label);
        }
        return result;
    }

    // Every pair of controls that overlaps and every control not wholly inside the host panel.
    QStringList layoutFaults() const
    {
        QStringList faults;
        const QList<QWidget*> all = controls();
        auto name = [](const QWidget* w) -> QString {
            const auto* label = qobject_cast<const QLabel*>(w);
            return label ? QStringLiteral("%1 \"%2\"").arg(w->objectName(), label->text()) : w->objectName();
        };
        auto inPanel = [this](const QWidget* w) { return QRect(w->mapTo(form->FlatPanel3, QPoint()), w->size()); };
        for (qsizetype i = 0; i < all.size(); ++i) {
            if (!form->FlatPanel3->rect().contains(inPanel(all[i])))
                faults << name(all[i]) + QStringLiteral(" is cut");
            for (qsizetype j = i + 1; j < all.size(); ++j) {
                if (inPanel(all[i]).intersects(inPanel(all[j])))
                    faults << name(all[i]) + QStringLiteral(" overlaps ") + name(all[j]);
            }
        }
        return faults;
    }

    void snapshot(const QString& name) const
    {
        const QString folder = qEnvironmentVariable("KUB_WALK_SHOTS");
        if (!folder.isEmpty() && QDir().mkpath(folder))
            form->grab().save(folder + u'/' + name + QStringLiteral(".png"));
    }
};

TEST_F(RecipientWindow, AtTheSmallestSizeWithTheTreeWidenedNothingOverlapsAndCutTextsEndInDots)
{
    EXPECT_EQ(layoutFaults(), QStringList());

    const int before = treeWidth();
    dragSplitter(400);
    EXPECT_GT(treeWidth(), before + 50) << "the drag did not widen the tree";
    snapshot(QStringLiteral("recipients-780x580-tree-widened"));
    EXPECT_EQ(layoutFaults(), QStringList());

    const TTACutLabel* count = screen()->Label6;
    EXPECT_TRUE(count->shownText().endsWith(QStringLiteral("..."))) << count->shownText().toStdString();
    EXPECT_TRUE(count->caption().startsWith(count->shownText().chopped(3)));
    auto* email = screen()->findChild<TTACutLabel*>(QStringLiteral("DBTextEmail"));
    ASSERT_NE(email, nullptr);
    EXPECT_TRUE(email->shownText().endsWith(QStringLiteral("..."))) << email->shownText().toStdString();

    // Larger windows keep it so, and give the count its whole text again.
    for (const QSize size : {QSize(900, 640), QSize(1200, 800)}) {
        form->resize(size);
        settle();
        EXPECT_EQ(layoutFaults(), QStringList()) << size.width() << "x" << size.height();
    }
    EXPECT_EQ(count->shownText(), count->caption());
}

} // namespace
