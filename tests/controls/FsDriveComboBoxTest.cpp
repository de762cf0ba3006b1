#include "controls/FsDriveComboBox.h"

#include "FsTestSupport.h"
#include "controls/FsDirectoryListBox.h"
#include "support/TestWait.h"

#include <QSignalSpy>
#include <QTest>

namespace {

VolumeInfo volume(const QString& mountPoint, VolumeKind kind, const QString& label, const QString& source = {})
{
    return {mountPoint,
            source.isEmpty() ? QStringLiteral("/dev/sda1") : source,
            QStringLiteral("ext4"),
            kind,
            mountPoint + QStringLiteral(" #1"),
            label};
}

QStringList texts(const QComboBox& box)
{
    QStringList shown;
    for (int i = 0; i < box.count(); ++i)
        shown << box.itemText(i);
    return shown;
}

TEST(TFsDriveComboBox, ItemsOfEachKind)
{
    FakeVolumeProvider volumes;
    volumes.list = {
        volume("/", VolumeKind::Fixed, "SYSTEM"),
        volume("/daten", VolumeKind::Fixed, ""),
        volume("/Media/Stick", VolumeKind::Removable, "STICK"),
        volume("/media/cdrom", VolumeKind::Optical, "AUDIO CD"),
        volume("/mnt/Share", VolumeKind::Network, "", "//Server/Daten"),
        volume("/srv/alt", VolumeKind::Fixed, "ÄRGER"),
        volume("/tmp", VolumeKind::Ram, ""),
    };
    FakeShellIcons icons;
    TFsDriveComboBox box(nullptr, &volumes, &icons);
    EXPECT_EQ(texts(box), (QStringList{
                              "/ System",                  // the label in lower case, its first letter capital
                              "/daten ",                   // no label: the mount point and a blank
                              "/Media/Stick",              // removable: the mount point only, in its own case
                              "/media/cdrom Audio cd",     // optical: the label
                              "/mnt/Share //Server/Daten", // network: the mount source as it is
                              "/srv/alt ärger",            // only a to z become capitals
                              "/tmp ",                     // RAM: the label
                          }));
    EXPECT_EQ(box.drive(), QStringLiteral("/"));

    struct Case {
        const char* what;
        VolumeKinds kinds;
        QStringList expected;
    };
    const QList<Case> cases{
        {"fixed and network",
         VolumeKind::Fixed | VolumeKind::Network,
         {"/ System", "/daten ", "/mnt/Share //Server/Daten", "/srv/alt ärger"}},
        {"removable only", VolumeKind::Removable, {"/Media/Stick"}},
        {"optical and RAM", VolumeKind::Optical | VolumeKind::Ram, {"/media/cdrom Audio cd", "/tmp "}},
        {"none", VolumeKinds(), {}},
    };
    for (const Case& c : cases) {
        box.setVolumeKinds(c.kinds);
        EXPECT_EQ(texts(box), c.expected) << c.what;
    }
}

TEST(TFsDriveComboBox, FollowsTheMountedVolumesKeepingTheChoice)
{
    FakeVolumeProvider volumes;
    volumes.list = {volume("/", VolumeKind::Fixed, "SYSTEM"), volume("/media/stick", VolumeKind::Removable, "")};
    FakeShellIcons icons;
    TFsDriveComboBox box(nullptr, &volumes, &icons);
    box.setDrive(QStringLiteral("/media/stick"));
    volumes.list.append(volume("/mnt/b", VolumeKind::Fixed, "B"));
    volumes.change();
    EXPECT_EQ(texts(box), (QStringList{"/ System", "/media/stick", "/mnt/b B"}));
    EXPECT_EQ(box.drive(), QStringLiteral("/media/stick"));
    volumes.list.removeAt(1);
    volumes.change();
    EXPECT_EQ(texts(box), (QStringList{"/ System", "/mnt/b B"}));
    EXPECT_EQ(box.drive(), QStringLiteral("/"));
}

class DriveComboLinkTest : public FsTest {};

TEST_F(DriveComboLinkTest, ChoosingAVolumeMovesTheDirectoryListAndBack)
{
    makeFolder(QStringLiteral("fest/Daten/Sub"));
    makeFolder(QStringLiteral("usb"));
    FakeVolumeProvider volumes;
    volumes.add(path(QStringLiteral("fest")));
    volumes.add(path(QStringLiteral("fest/Daten")));
    volumes.add(path(QStringLiteral("usb")), VolumeKind::Removable);
    FakeShellIcons icons;
    TFsDirectoryListBox list(nullptr, &volumes);
    TFsDriveComboBox box(nullptr, &volumes, &icons);
    list.setDirectory(path(QStringLiteral("fest")));
    box.setDirList(&list);
    EXPECT_EQ(box.drive(), path(QStringLiteral("fest")));
    QSignalSpy chosen(&box, &TFsDriveComboBox::driveChanged);

    // The keyboard chooses the next volume; the list shows its root.
    QTest::keyClick(&box, Qt::Key_Down);
    EXPECT_EQ(chosen.count(), 1);
    EXPECT_EQ(box.drive(), path(QStringLiteral("fest/Daten")));
    EXPECT_EQ(list.directory(), path(QStringLiteral("fest/Daten")));

    // Entering a folder on another volume in the list moves the box along.
    list.setDirectory(path(QStringLiteral("usb")));
    EXPECT_EQ(box.drive(), path(QStringLiteral("usb")));
    EXPECT_EQ(chosen.count(), 1);
}

TEST(TFsDriveComboBox, FlatButtonWhileNeitherFocusedNorHovered)
{
    FakeVolumeProvider volumes;
    volumes.list = {volume("/", VolumeKind::Fixed, "SYSTEM")};
    FakeShellIcons icons;
    TFsDriveComboBox box(nullptr, &volumes, &icons);
    box.resize(200, 24);
    box.frame().setFrameVisible(true);
    const int bar = box.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &box);
    const int buttonLeft = box.width() - bar - 2;
    const QPoint tip(buttonLeft + bar / 2 - 1, 2 + box.height() / 2);
    const auto pixel = [&](const QPoint& at) { return box.grab().toImage().pixelColor(at).name(); };
    const QString black = QColor(Qt::black).name();
    const QString base = box.palette().color(QPalette::Base).name();

    // The triangle hangs from a five-pixel-high base ten pixels wide.
    EXPECT_EQ(pixel(tip - QPoint(0, 1)), black);
    EXPECT_EQ(pixel(tip - QPoint(4, 4)), black);
    EXPECT_EQ(pixel(tip - QPoint(-4, 4)), black);
    EXPECT_EQ(pixel(QPoint(buttonLeft + 1, 3)), base);

    // Focused, the style's own button shows.
    box.show();
    box.activateWindow();
    box.setFocus();
    ASSERT_TRUE(waitUntil([&] { return box.frame().focused(); }));
    EXPECT_NE(pixel(tip - QPoint(4, 4)), black);

    box.clearFocus();
    ASSERT_TRUE(waitUntil([&] { return !box.frame().focused(); }));
    EXPECT_FALSE(box.frame().mouseOver());
    EXPECT_EQ(pixel(tip - QPoint(4, 4)), black);
    box.setFlatButtons(false);
    EXPECT_NE(pixel(tip - QPoint(4, 4)), black);
}

} // namespace
