#include "controls/FolderGlyphs.h"
#include "controls/FsDirectoryListBox.h"
#include "controls/FsFileListBox.h"
#include "FsTestSupport.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTest>

namespace {

struct Line {
    QString text;
    int level;
    FolderGlyph glyph;
    bool operator==(const Line&) const = default;
};

void PrintTo(const Line& line, std::ostream* out)
{
    *out << line.text.toStdString() << " @" << line.level << " glyph " << int(line.glyph);
}

// Two volumes: "fest" (fixed) with folders and a file, "usb" (removable).
class DirectoryListBoxTest : public FsTest {
protected:
    void SetUp() override
    {
        FsTest::SetUp();
        for (const char* folder : {"fest/Daten/Sub1/Deep", "fest/Daten/b", "fest/Daten/A", "fest/Daten/.versteckt",
                                   "fest/Archiv", "usb/Bilder/2026"})
            makeFolder(QString::fromLatin1(folder));
        makeFile(QStringLiteral("fest/Daten/brief.html"));
        volumes.add(path(QStringLiteral("fest")));
        volumes.add(path(QStringLiteral("usb")), VolumeKind::Removable);
    }

    static QList<Line> lines(const TFsDirectoryListBox& box)
    {
        QList<Line> shown;
        for (int row = 0; row < box.count(); ++row) {
            const QListWidgetItem* item = box.item(row);
            shown.append({item->text(), item->data(TFsDirectoryListBox::kLevelRole).toInt(),
                          FolderGlyph(item->data(TFsDirectoryListBox::kGlyphRole).toInt())});
        }
        return shown;
    }

    static int rowOf(const TFsDirectoryListBox& box, const QString& text)
    {
        const QList<QListWidgetItem*> found = box.findItems(text, Qt::MatchExactly);
        return found.isEmpty() ? -1 : box.row(found.first());
    }

    static void doubleClick(TFsDirectoryListBox& box, const QString& text)
    {
        const int row = rowOf(box, text);
        ASSERT_GE(row, 0) << text.toStdString();
        const QPoint at = box.visualItemRect(box.item(row)).center();
        QTest::mouseClick(box.viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(box.viewport(), Qt::LeftButton, {}, at);
    }

    FakeVolumeProvider volumes;
    FakeShellIcons icons;
};

TEST_F(DirectoryListBoxTest, LinesRunFromTheVolumeRootToTheFolderThenItsSubfolders)
{
    const QString fest = path(QStringLiteral("fest"));
    struct Case {
        const char* what;
        QString directory;
        QList<Line> expected;
        QString current;
    };
    const QList<Case> cases{
        {"the volume's root",
         fest,
         {{fest, 0, FolderGlyph::Current}, {"Archiv", 1, FolderGlyph::Closed}, {"Daten", 1, FolderGlyph::Closed}},
         fest},
        {"one level down: no files, no hidden folders, names in any case in order",
         path(QStringLiteral("fest/Daten")),
         {{fest, 0, FolderGlyph::Open},
          {"Daten", 1, FolderGlyph::Current},
          {"A", 2, FolderGlyph::Closed},
          {"b", 2, FolderGlyph::Closed},
          {"Sub1", 2, FolderGlyph::Closed}},
         QStringLiteral("Daten")},
        {"a folder without subfolders",
         path(QStringLiteral("fest/Daten/Sub1/Deep")),
         {{fest, 0, FolderGlyph::Open},
          {"Daten", 1, FolderGlyph::Open},
          {"Sub1", 2, FolderGlyph::Open},
          {"Deep", 3, FolderGlyph::Current}},
         QStringLiteral("Deep")},
    };
    TFsDirectoryListBox box(nullptr, &volumes);
    for (const Case& c : cases) {
        box.setDirectory(c.directory);
        EXPECT_EQ(box.directory(), c.directory) << c.what;
        EXPECT_EQ(box.drive(), fest) << c.what;
        EXPECT_EQ(lines(box), c.expected) << c.what;
        EXPECT_EQ(box.currentItem()->text(), c.current) << c.what;
    }
    // A relative name is taken from the folder shown.
    box.setDirectory(path(QStringLiteral("fest/Daten")));
    box.setDirectory(QStringLiteral("Sub1"));
    EXPECT_EQ(box.directory(), path(QStringLiteral("fest/Daten/Sub1")));
}

TEST_F(DirectoryListBoxTest, DoubleClickEntersAFolderAndTheLinkedControlsFollow)
{
    TFsDirectoryListBox box(nullptr, &volumes);
    TFsFileListBox files(nullptr, &icons);
    QLabel label;
    label.resize(4000, 20);
    box.setFileList(&files);
    box.setDirLabel(&label);
    box.resize(300, 300);
    box.show();
    box.setDirectory(path(QStringLiteral("fest/Daten")));
    EXPECT_EQ(files.directory(), path(QStringLiteral("fest/Daten")));
    QSignalSpy changes(&box, &TFsDirectoryListBox::changed);

    doubleClick(box, QStringLiteral("Sub1"));
    EXPECT_EQ(box.directory(), path(QStringLiteral("fest/Daten/Sub1")));
    EXPECT_EQ(files.directory(), box.directory());
    EXPECT_EQ(label.text(), box.directory());
    EXPECT_EQ(changes.count(), 1);

    // A level line goes back up.
    doubleClick(box, path(QStringLiteral("fest")));
    EXPECT_EQ(box.directory(), path(QStringLiteral("fest")));
    EXPECT_EQ(files.directory(), box.directory());

    // Enter opens the line the keyboard has reached.
    box.setFocus();
    box.setCurrentRow(rowOf(box, QStringLiteral("Archiv")));
    QTest::keyClick(&box, Qt::Key_Return);
    EXPECT_EQ(box.directory(), path(QStringLiteral("fest/Archiv")));

    // A folder typed into the file list moves the directory list, which moves the file list.
    box.setDirectory(path(QStringLiteral("fest/Daten")));
    ASSERT_TRUE(files.applyFilePath(QStringLiteral("b")).ok());
    EXPECT_EQ(box.directory(), path(QStringLiteral("fest/Daten/b")));
    EXPECT_EQ(files.directory(), box.directory());
}

TEST_F(DirectoryListBoxTest, AMissingFolderTypedIntoTheFileListIsReportedAndNothingMoves)
{
    TFsDirectoryListBox box(nullptr, &volumes);
    TFsFileListBox files(nullptr, &icons);
    box.setFileList(&files);
    const QString shown = path(QStringLiteral("fest/Daten"));
    for (const QString& typed : {QStringLiteral("fehlt/*.txt"), QStringLiteral("fehlt/brief.html"),
                                path(QStringLiteral("fest/fehlt/tief/"))}) {
        box.setDirectory(shown);
        const FsResult applied = files.applyFilePath(typed);
        EXPECT_FALSE(applied.ok()) << typed.toStdString();
        EXPECT_EQ(applied.message(), QStringLiteral("The %1 directory does not exist").arg(typed));
        EXPECT_EQ(box.directory(), shown) << typed.toStdString();
        EXPECT_EQ(files.directory(), shown) << typed.toStdString();
        EXPECT_EQ(files.mask(), QStringLiteral("*.*")) << typed.toStdString();
    }
}

TEST_F(DirectoryListBoxTest, RemovedFolderShowsItsExistingParent)
{
    TFsDirectoryListBox box(nullptr, &volumes);
    TFsFileListBox files(nullptr, &icons);
    box.setFileList(&files);
    box.resize(300, 300);
    box.show();

    box.setDirectory(path(QStringLiteral("fest/Daten/Sub1/Deep")));
    ASSERT_TRUE(QDir(path(QStringLiteral("fest/Daten/Sub1"))).removeRecursively());
    box.buildList();
    EXPECT_EQ(box.directory(), path(QStringLiteral("fest/Daten")));
    EXPECT_EQ(files.directory(), box.directory());
    EXPECT_EQ(rowOf(box, QStringLiteral("Sub1")), -1);

    // A subfolder removed after it was listed: the double click stays in the folder shown.
    ASSERT_TRUE(QDir(path(QStringLiteral("fest/Daten/b"))).removeRecursively());
    doubleClick(box, QStringLiteral("b"));
    EXPECT_EQ(box.directory(), path(QStringLiteral("fest/Daten")));
    EXPECT_EQ(rowOf(box, QStringLiteral("b")), -1);

    // The folder shown itself removed: a double click on its line goes to its parent.
    ASSERT_TRUE(QDir(path(QStringLiteral("fest/Daten"))).removeRecursively());
    doubleClick(box, QStringLiteral("Daten"));
    EXPECT_EQ(box.directory(), path(QStringLiteral("fest")));
}

TEST_F(DirectoryListBoxTest, WalkUpStaysOnTheVolumeAndEndsAtTheRootWhenItIsGone)
{
    const QString usb = path(QStringLiteral("usb"));
    struct Case {
        const char* what;
        std::function<void()> happen;
        QString expected;
    };
    const QList<Case> cases{
        {"folders removed up to the mount point",
         [&] { ASSERT_TRUE(QDir(path(QStringLiteral("usb/Bilder"))).removeRecursively()); }, usb},
        {"the mount point's folder gone while still listed",
         [&] { ASSERT_TRUE(QDir(usb).removeRecursively()); }, QStringLiteral("/")},
        {"the volume unmounted: its folder on the disk below is not shown",
         [&] {
             volumes.list.removeIf([&](const VolumeInfo& v) { return v.mountPoint == usb; });
             volumes.change();
         },
         QStringLiteral("/")},
    };
    for (const Case& c : cases) {
        makeFolder(QStringLiteral("usb/Bilder/2026"));
        if (volumes.list.size() < 2)
            volumes.add(usb, VolumeKind::Removable);
        TFsDirectoryListBox box(nullptr, &volumes);
        box.setDirectory(path(QStringLiteral("usb/Bilder/2026")));
        ASSERT_EQ(box.drive(), usb) << c.what;
        c.happen();
        box.buildList();
        EXPECT_EQ(box.directory(), c.expected) << c.what;
        EXPECT_EQ(box.item(0)->text(), c.expected) << c.what;
    }
}

TEST_F(DirectoryListBoxTest, SubfolderIndentFollowsTheLevelCount)
{
    TFsDirectoryListBox box(nullptr, &volumes);
    box.resize(300, 300);
    box.show();
    const auto glyphLeft = [&](const QString& text) {
        const QImage image = box.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QRect row = box.visualItemRect(box.item(rowOf(box, text)));
        const QRgb base = box.palette().color(QPalette::Base).rgb();
        for (int x = row.left(); x <= row.right(); ++x)
            for (int y = row.top(); y <= row.bottom(); ++y)
                if (image.pixel(x, y) != base)
                    return x - row.left();
        return -1;
    };
    struct Case {
        QString directory;
        QString subfolder;
        int indent;
    };
    const QList<Case> cases{{path(QStringLiteral("fest")), QStringLiteral("Archiv"), 1 * 4 + 2},
                            {path(QStringLiteral("fest/Daten")), QStringLiteral("Sub1"), 2 * 4 + 2},
                            {path(QStringLiteral("fest/Daten/Sub1")), QStringLiteral("Deep"), 3 * 4 + 2}};
    for (const Case& c : cases) {
        box.setDirectory(c.directory);
        box.setCurrentRow(-1);
        EXPECT_EQ(glyphLeft(c.subfolder), c.indent) << c.subfolder.toStdString();
    }
}

} // namespace
