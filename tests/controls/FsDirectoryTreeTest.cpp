#include "controls/FsDirectoryTree.h"

#include "FsTestSupport.h"
#include "controls/FsFileListBox.h"
#include "desktop/MessageBoxes.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

namespace {

const QString kInvalidName =
    QStringLiteral("A directory name cannot contain any of the following characters:\r\\ / : * ? \" < > |");

// A tree with a file list and a wide label linked to it.
struct LinkedControls {
    LinkedControls(VolumeProvider& volumes, ShellIcons& icons) : tree(nullptr, &volumes, &icons), list(nullptr, &icons)
    {
        label.resize(4000, 20);
        tree.setFileList(&list);
        tree.setDirLabel(&label);
    }
    TFsDirectoryTree tree;
    TFsFileListBox list;
    QLabel label;
};

// Two volumes: "fest" (fixed) with folders, "netz" (network) without subfolders.
class DirectoryTreeTest : public FsTest {
protected:
    void SetUp() override
    {
        FsTest::SetUp();
        for (const char* folder : {"fest/Daten/Sub1/Deep", "fest/Daten/sub0", "fest/Daten/b", "fest/Daten/A",
                                   "fest/Daten/.versteckt/x", "fest/Archiv", "netz"})
            makeFolder(QString::fromLatin1(folder));
        makeFile(QStringLiteral("fest/Daten/vorlage.html"));
        volumes.add(path(QStringLiteral("fest")));
        volumes.add(path(QStringLiteral("netz")), VolumeKind::Network);
    }

    static QStringList captions(const QTreeWidgetItem* node)
    {
        QStringList names;
        for (int i = 0; i < node->childCount(); ++i)
            names << node->child(i)->text(0);
        return names;
    }

    QTreeWidgetItem* nodeOf(TFsDirectoryTree& tree, const QString& relative)
    {
        EXPECT_TRUE(tree.setDirectory(path(relative)).ok());
        return tree.currentItem();
    }

    FakeVolumeProvider volumes;
    FakeShellIcons icons;
};

TEST_F(DirectoryTreeTest, SetDirectoryWalksDownAndFallsBackToTheNearestFolder)
{
    TFsDirectoryTree tree(nullptr, &volumes, &icons);
    ASSERT_EQ(tree.topLevelItemCount(), 2);
    EXPECT_EQ(tree.directory(), QString()); // "/" is on no listed volume
    EXPECT_EQ(tree.volume(), QString());

    EXPECT_TRUE(tree.setDirectory(path(QStringLiteral("fest/Daten/Sub1/Deep"))).ok());
    EXPECT_EQ(tree.directory(), path(QStringLiteral("fest/Daten/Sub1/Deep")));
    EXPECT_EQ(tree.volume(), path(QStringLiteral("fest")));
    EXPECT_EQ(tree.currentItem()->text(0), QStringLiteral("Deep"));

    EXPECT_TRUE(tree.setDirectory(path(QStringLiteral("fest/Daten/Fehlt/Mehr"))).ok());
    EXPECT_EQ(tree.directory(), path(QStringLiteral("fest/Daten")));
    EXPECT_EQ(captions(tree.currentItem()), (QStringList{"A", "b", "sub0", "Sub1"}));

    // Outside every volume, and a hidden folder that has no node: nothing changes.
    EXPECT_TRUE(tree.setDirectory(QStringLiteral("/")).ok());
    EXPECT_TRUE(tree.setDirectory(path(QStringLiteral("fest/Daten/.versteckt/x"))).ok());
    EXPECT_EQ(tree.directory(), path(QStringLiteral("fest/Daten")));
    EXPECT_TRUE(tree.setDirectory(path(QStringLiteral("fest"))).ok());
    EXPECT_EQ(tree.directory(), path(QStringLiteral("fest")));
    EXPECT_EQ(tree.currentItem()->parent(), nullptr);
}

TEST_F(DirectoryTreeTest, ExpandingReadsOnceAndNetworkVolumesAreNotProbed)
{
    TFsDirectoryTree tree(nullptr, &volumes, &icons);
    QTreeWidgetItem* network = tree.topLevelItem(1);
    ASSERT_EQ(network->childCount(), 1); // a placeholder although the folder is empty
    EXPECT_TRUE(TFsDirectoryTree::nodePath(network->child(0)).isEmpty());
    network->setExpanded(true);
    ASSERT_EQ(network->childCount(), 1); // hidden at once, removed once the view has expanded
    EXPECT_TRUE(network->child(0)->isHidden());
    QCoreApplication::processEvents();
    EXPECT_EQ(network->childCount(), 0);

    QTreeWidgetItem* daten = nodeOf(tree, QStringLiteral("fest/Daten"));
    for (int round = 0; round < 3; ++round) {
        daten->setExpanded(true);
        daten->setExpanded(false);
    }
    daten->setExpanded(true);
    ASSERT_EQ(captions(daten), (QStringList{"A", "b", "sub0", "Sub1"}));
    EXPECT_EQ(daten->child(2)->childCount(), 0); // sub0 has no subfolders
    EXPECT_EQ(daten->child(3)->childCount(), 1); // Sub1: one placeholder, however often expanded

    tree.setShowHiddenDirs(true);
    EXPECT_EQ(tree.directory(), path(QStringLiteral("fest/Daten")));
    tree.currentItem()->setExpanded(true);
    EXPECT_EQ(captions(tree.currentItem()), (QStringList{".versteckt", "A", "b", "sub0", "Sub1"}));
}

TEST_F(DirectoryTreeTest, ListAndLabelFollowTheTreeAndTheListMovesIt)
{
    LinkedControls linked(volumes, icons);
    TFsDirectoryTree& tree = linked.tree;
    TFsFileListBox& list = linked.list;
    QLabel& label = linked.label;
    EXPECT_EQ(list.dirTree(), &tree);
    QSignalSpy driveChanges(&tree, &TFsDirectoryTree::driveChanged);

    nodeOf(tree, QStringLiteral("fest/Daten"));
    EXPECT_EQ(list.directory(), path(QStringLiteral("fest/Daten")));
    EXPECT_EQ(label.text(), path(QStringLiteral("fest/Daten")));
    EXPECT_EQ(driveChanges.count(), 1);
    nodeOf(tree, QStringLiteral("fest/Daten/Sub1"));
    EXPECT_EQ(driveChanges.count(), 1); // within one volume
    nodeOf(tree, QStringLiteral("netz"));
    EXPECT_EQ(driveChanges.count(), 2);

    EXPECT_TRUE(list.applyFilePath(path(QStringLiteral("fest/Daten/vorlage.html"))).ok());
    EXPECT_EQ(tree.directory(), path(QStringLiteral("fest/Daten")));
    EXPECT_EQ(list.selectedName(), QStringLiteral("vorlage.html"));

    label.resize(60, 20);
    nodeOf(tree, QStringLiteral("fest/Daten/Sub1/Deep"));
    EXPECT_TRUE(label.text().endsWith(QStringLiteral("Deep")) || label.text().endsWith(QStringLiteral("…")));
    EXPECT_LE(label.fontMetrics().horizontalAdvance(label.text()), 60);
}

TEST_F(DirectoryTreeTest, FollowsVolumesThatComeAndGo)
{
    TFsDirectoryTree tree(nullptr, &volumes, &icons);
    TFsFileListBox list(nullptr, &icons);
    tree.setFileList(&list);
    makeFolder(QStringLiteral("alt"));
    makeFolder(QStringLiteral("mitte"));
    volumes.add(path(QStringLiteral("alt")));
    volumes.add(path(QStringLiteral("mitte")));
    volumes.change();
    ASSERT_EQ(tree.topLevelItemCount(), 4);
    EXPECT_EQ(TFsDirectoryTree::nodePath(tree.topLevelItem(0)), path(QStringLiteral("alt/")));
    EXPECT_EQ(TFsDirectoryTree::nodePath(tree.topLevelItem(2)), path(QStringLiteral("mitte/")));

    nodeOf(tree, QStringLiteral("fest/Daten/Sub1"));
    volumes.list.removeIf([&](const VolumeInfo& v) { return v.mountPoint == path(QStringLiteral("fest")); });
    volumes.change();
    ASSERT_EQ(tree.topLevelItemCount(), 3);
    EXPECT_FALSE(tree.directory().startsWith(path(QStringLiteral("fest"))));
    EXPECT_EQ(list.directory(), tree.directory());
}

TEST_F(DirectoryTreeTest, AMediaChangeReadsTheVolumeAgainAndKeepsTheNearestFolder)
{
    TFsDirectoryTree tree(nullptr, &volumes, &icons);
    TFsFileListBox list(nullptr, &icons);
    tree.setFileList(&list);
    nodeOf(tree, QStringLiteral("fest/Daten/Sub1/Deep"));
    constexpr int kMark = Qt::UserRole + 50;
    tree.topLevelItem(0)->child(0)->setData(0, kMark, true); // the node of Archiv as first read

    // Another medium without the selected folder.
    ASSERT_TRUE(QDir(path(QStringLiteral("fest/Daten/Sub1/Deep"))).removeRecursively());
    volumes.list[0].identity = QStringLiteral("another medium");
    volumes.change();
    EXPECT_EQ(tree.directory(), path(QStringLiteral("fest/Daten/Sub1")));
    EXPECT_EQ(list.directory(), path(QStringLiteral("fest/Daten/Sub1")));
    EXPECT_FALSE(tree.topLevelItem(0)->child(0)->data(0, kMark).toBool()); // the volume was read anew

    // A medium change noticed only when a folder of the volume is selected.
    volumes.list[0].identity = QStringLiteral("third medium");
    ASSERT_TRUE(QDir(path(QStringLiteral("fest/Daten"))).removeRecursively());
    tree.setCurrentItem(tree.topLevelItem(0)->child(1)); // the stale node of Daten
    EXPECT_EQ(tree.directory(), path(QStringLiteral("fest")));
    EXPECT_EQ(list.directory(), path(QStringLiteral("fest")));
    tree.currentItem()->setExpanded(true);
    EXPECT_EQ(captions(tree.topLevelItem(0)), QStringList{"Archiv"});
}

TEST_F(DirectoryTreeTest, RenameRejectsBadNamesBeforeTouchingTheDisk)
{
    TFsDirectoryTree tree(nullptr, &volumes, &icons);
    QTreeWidgetItem* node = nodeOf(tree, QStringLiteral("fest/Daten/Sub1"));
    const QString bad[] = {QString(),
                           QStringLiteral("."),
                           QStringLiteral(".."),
                           QStringLiteral("../Sub2"),
                           QStringLiteral("a/b"),
                           QStringLiteral("a\\b"),
                           QStringLiteral("c:"),
                           QStringLiteral("*"),
                           QStringLiteral("?"),
                           QStringLiteral("\""),
                           QStringLiteral("<"),
                           QStringLiteral(">"),
                           QStringLiteral("|"),
                           QStringLiteral("a") + QChar(0) + QStringLiteral("b")};
    for (const QString& name : bad) {
        const FsResult result = tree.renameFolder(node, name);
        EXPECT_FALSE(result.ok()) << name.toStdString();
        EXPECT_EQ(result.message(), kInvalidName) << name.toStdString();
    }
    EXPECT_TRUE(QFileInfo(path(QStringLiteral("fest/Daten/Sub1/Deep"))).isDir());
    EXPECT_EQ(
        QDir(path(QStringLiteral("fest/Daten"))).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden).size(), 5);

    // An empty folder of that name is neither replaced nor merged into.
    const FsResult exists = tree.renameFolder(node, QStringLiteral("sub0"));
    EXPECT_FALSE(exists.ok());
    EXPECT_TRUE(exists.message().contains(QStringLiteral("already exists"))) << exists.message().toStdString();
    EXPECT_TRUE(QFileInfo(path(QStringLiteral("fest/Daten/Sub1/Deep"))).isDir());
    EXPECT_EQ(node->text(0), QStringLiteral("Sub1"));

    EXPECT_FALSE(tree.renameFolder(tree.topLevelItem(0), QStringLiteral("neu")).ok()); // a volume root
}

TEST_F(DirectoryTreeTest, RenameMovesTheFolderAndEverythingFollows)
{
    LinkedControls linked(volumes, icons);
    TFsDirectoryTree& tree = linked.tree;
    TFsFileListBox& list = linked.list;
    QLabel& label = linked.label;
    QTreeWidgetItem* daten = nodeOf(tree, QStringLiteral("fest/Daten/Sub1/Deep"))->parent()->parent();
    tree.setCurrentItem(daten);
    ASSERT_TRUE(tree.renameFolder(daten, QStringLiteral("Archiv 2")).ok());
    EXPECT_EQ(daten->text(0), QStringLiteral("Archiv 2"));
    EXPECT_TRUE(QFileInfo(path(QStringLiteral("fest/Archiv 2/Sub1/Deep"))).isDir());
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("fest/Daten"))));
    EXPECT_EQ(tree.directory(), path(QStringLiteral("fest/Archiv 2")));
    EXPECT_EQ(list.directory(), path(QStringLiteral("fest/Archiv 2")));
    EXPECT_EQ(label.text(), path(QStringLiteral("fest/Archiv 2")));
    EXPECT_EQ(list.count(), 1); // vorlage.html
    // The nodes below carry the new name.
    EXPECT_TRUE(tree.setDirectory(path(QStringLiteral("fest/Archiv 2/Sub1/Deep"))).ok());
    EXPECT_EQ(tree.currentItem()->parent()->parent(), daten);
}

TEST_F(DirectoryTreeTest, InPlaceEditingRenamesOrShowsTheMessage)
{
    MessageBoxRecorder boxes;
    TFsDirectoryTree tree(nullptr, &volumes, &icons);
    tree.resize(300, 300);
    tree.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tree));
    QTreeWidgetItem* node = nodeOf(tree, QStringLiteral("fest/Archiv"));
    const auto editTo = [&](const QString& name) {
        tree.editItem(node);
        auto* editor = tree.viewport()->findChild<QLineEdit*>();
        ASSERT_NE(editor, nullptr);
        editor->setText(name);
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QCoreApplication::sendEvent(editor, &enter); // through the delegate, as a typed Return
        // The delegate commits in a posted call, the tree renames in another.
        for (int round = 0; round < 3; ++round)
            QApplication::processEvents();
    };
    QTest::keyClick(&tree, Qt::Key_F2); // read-only: no editor
    EXPECT_EQ(tree.viewport()->findChild<QLineEdit*>(), nullptr);
    tree.setReadOnly(false);

    editTo(QStringLiteral("a:b"));
    ASSERT_EQ(boxes.boxes().size(), 1);
    EXPECT_EQ(boxes.boxes()[0].text, kInvalidName);
    EXPECT_EQ(boxes.boxes()[0].icon, MsgIcon::Error);
    EXPECT_EQ(node->text(0), QStringLiteral("Archiv"));

    editTo(QStringLiteral("Ablage"));
    EXPECT_EQ(boxes.boxes().size(), 1);
    EXPECT_EQ(node->text(0), QStringLiteral("Ablage"));
    EXPECT_TRUE(QFileInfo(path(QStringLiteral("fest/Ablage"))).isDir());
}

} // namespace
