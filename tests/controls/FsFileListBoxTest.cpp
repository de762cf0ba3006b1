#include "controls/FsFileListBox.h"

#include "FsTestSupport.h"
#include "desktop/MessageBoxes.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

namespace {

class FileListTest : public FsTest {
protected:
    void SetUp() override
    {
        FsTest::SetUp();
        for (const char* name : {"d.txt", "b.txt", "C.txt", "a.html", "a.htm", "B.HTML", ".hidden.html", "readme"})
            makeFile(QString::fromLatin1(name));
        makeFolder(QStringLiteral("sub/deeper"));
        makeFolder(QStringLiteral("Archiv"));
        makeFile(QStringLiteral("sub/inner.html"));
        ASSERT_TRUE(QFile::link(path(QStringLiteral("gone.html")), path(QStringLiteral("dead.html"))));
    }

    static QStringList items(const TFsFileListBox& list)
    {
        QStringList names;
        for (int i = 0; i < list.count(); ++i)
            names << list.item(i)->text();
        return names;
    }

    FakeShellIcons icons;
};

TEST_F(FileListTest, ListsWhatMaskAndTypeSelectInOrder)
{
    TFsFileListBox list(nullptr, &icons);
    list.setDirectory(root());
    EXPECT_EQ(list.directory(), root());
    const struct {
        const char* mask;
        TFileType type;
        QStringList expected;
    } cases[] = {
        {"*.*", TFileAttr::ftNormal, {"a.htm", "a.html", "B.HTML", "b.txt", "C.txt", "d.txt", "readme"}},
        {"*.html;*.htm", TFileAttr::ftNormal, {"a.htm", "a.html", "B.HTML"}},
        {"*.html;a*", TFileAttr::ftNormal, {"a.htm", "a.html", "B.HTML"}}, // a.html matched twice, listed once
        {"*.*",
         TFileType(TFileAttr::ftNormal) | TFileAttr::ftDirectory,
         {"Archiv", "sub", "a.htm", "a.html", "B.HTML", "b.txt", "C.txt", "d.txt", "readme"}},
        {"*.txt", TFileType(TFileAttr::ftNormal) | TFileAttr::ftDirectory, {"b.txt", "C.txt", "d.txt"}},
        {"*.html", TFileType(TFileAttr::ftNormal) | TFileAttr::ftHidden, {".hidden.html", "a.html", "B.HTML"}},
        {"*.zip", TFileAttr::ftNormal, {}},
        {"", TFileAttr::ftNormal, {}},
        {"*.txt;", TFileAttr::ftNormal, {"b.txt", "C.txt", "d.txt"}},
    };
    for (const auto& c : cases) {
        list.setMask(QString::fromLatin1(c.mask));
        list.setFileType(c.type);
        EXPECT_EQ(items(list), c.expected) << c.mask;
    }
}

TEST_F(FileListTest, SelectsTheExactNameAndReportsEveryChange)
{
    TFsFileListBox list(nullptr, &icons);
    QLineEdit edit;
    list.setFileEdit(&edit);
    QSignalSpy changes(&list, &TFsFileListBox::changed);
    list.setMask(QStringLiteral("*.html;*.htm"));
    list.setDirectory(root());
    EXPECT_EQ(edit.text(), QStringLiteral("*.html;*.htm"));
    EXPECT_EQ(list.lastSel(), -1);
    changes.clear();

    list.selectFileName(QStringLiteral("a.htm"));
    EXPECT_EQ(list.selectedName(), QStringLiteral("a.htm")); // not the longer a.html
    EXPECT_EQ(list.fileName(), path(QStringLiteral("a.htm")));
    EXPECT_EQ(edit.text(), QStringLiteral("a.htm"));
    EXPECT_EQ(changes.count(), 1);
    list.selectFileName(QStringLiteral("a.htm"));
    EXPECT_EQ(changes.count(), 1);
    list.selectFileName(QStringLiteral("A.HTM")); // names compare with letter case
    EXPECT_EQ(list.selectedName(), QString());
    EXPECT_EQ(edit.text(), QStringLiteral("*.html;*.htm"));

    list.selectFileName(QStringLiteral("B.HTML"));
    EXPECT_EQ(list.lastSel(), 2);
    list.readFileNames();
    EXPECT_EQ(list.selectedName(), QString());
    EXPECT_EQ(list.lastSel(), -1);
    EXPECT_EQ(edit.text(), QStringLiteral("*.html;*.htm"));
}

// What a listener reads when changed() comes must be the new selection, by mouse and by keys alike
// (a click makes the item current before it selects it).
TEST_F(FileListTest, MouseAndKeysReportTheSelectionTheyMade)
{
    TFsFileListBox list(nullptr, &icons);
    QLineEdit edit;
    list.setFileEdit(&edit);
    list.setMask(QStringLiteral("*.html;*.htm"));
    list.setDirectory(root());
    list.resize(200, 200);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    QStringList reported;
    QObject::connect(&list, &TFsFileListBox::changed, &list, [&] {
        reported << list.fileName() + u'|' + QString::number(list.lastSel()) + u'|' + edit.text();
    });
    auto report = [this](const char* name, int row) -> QString {
        return path(QString::fromLatin1(name)) + u'|' + QString::number(row) + u'|' + QString::fromLatin1(name);
    };

    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualItemRect(list.item(1)).center());
    EXPECT_EQ(reported, QStringList{report("a.html", 1)});
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualItemRect(list.item(1)).center());
    EXPECT_EQ(reported.size(), 1) << "a click on the selected item changes nothing";
    QTest::keyClick(&list, Qt::Key_Down);
    EXPECT_EQ(reported, (QStringList{report("a.html", 1), report("B.HTML", 2)}));
    QTest::keyClick(&list, Qt::Key_Home);
    EXPECT_EQ(reported.last(), report("a.htm", 0));
}

TEST_F(FileListTest, AppliesTypedPaths)
{
    TFsFileListBox list(nullptr, &icons);
    list.setDirectory(root());
    list.setMask(QStringLiteral("*.txt"));

    EXPECT_TRUE(list.applyFilePath(QStringLiteral("*.html")).ok());
    EXPECT_EQ(list.mask(), QStringLiteral("*.html"));
    EXPECT_TRUE(list.applyFilePath(QStringLiteral("a.html")).ok());
    EXPECT_EQ(list.selectedName(), QStringLiteral("a.html"));

    const FsResult missing = list.applyFilePath(QStringLiteral("fehlt.txt"));
    EXPECT_FALSE(missing.ok());
    EXPECT_EQ(missing.message(), QStringLiteral("The fehlt.txt file does not exist"));
    EXPECT_EQ(list.mask(), QStringLiteral("*.html"));

    EXPECT_TRUE(list.applyFilePath(QStringLiteral("C.txt")).ok()); // hidden by the mask
    EXPECT_EQ(list.mask(), QStringLiteral("C.txt"));
    EXPECT_EQ(list.selectedName(), QStringLiteral("C.txt"));

    EXPECT_TRUE(list.applyFilePath(QStringLiteral("sub")).ok());
    EXPECT_EQ(list.directory(), path(QStringLiteral("sub")));
    EXPECT_TRUE(list.applyFilePath(path(QStringLiteral("*.htm*"))).ok());
    EXPECT_EQ(list.directory(), root());
    EXPECT_EQ(items(list), (QStringList{"a.htm", "a.html", "B.HTML"}));
}

TEST_F(FileListTest, DoubleClickEntersFoldersAndOpensFilesWhenAllowed)
{
    MessageBoxRecorder boxes;
    TFsFileListBox list(nullptr, &icons);
    list.setFileType(TFileType(TFileAttr::ftNormal) | TFileAttr::ftDirectory);
    list.setDirectory(root());
    const auto doubleClick = [&](const QString& name) {
        list.selectFileName(name);
        emit list.itemDoubleClicked(list.currentItem());
    };
    doubleClick(QStringLiteral("b.txt"));
    EXPECT_TRUE(icons.opened.isEmpty()); // not allowed
    list.setAllowOpen(true);
    doubleClick(QStringLiteral("b.txt"));
    EXPECT_EQ(icons.opened, QStringList{path(QStringLiteral("b.txt"))});
    icons.openSucceeds = false;
    doubleClick(QStringLiteral("C.txt"));
    ASSERT_EQ(boxes.boxes().size(), 1);
    EXPECT_EQ(boxes.boxes()[0].text, QStringLiteral("Could not open file."));
    EXPECT_EQ(boxes.boxes()[0].icon, MsgIcon::Information);

    doubleClick(QStringLiteral("sub"));
    EXPECT_EQ(list.directory(), path(QStringLiteral("sub")));
    EXPECT_EQ(items(list), (QStringList{"deeper", "inner.html"}));
}

TEST_F(FileListTest, AFolderThatCannotBeReadShowsAnEmptyList)
{
    TFsFileListBox list(nullptr, &icons);
    list.setDirectory(root());
    ASSERT_GT(list.count(), 0);
    list.setDirectory(path(QStringLiteral("verschwunden")));
    EXPECT_EQ(list.directory(), path(QStringLiteral("verschwunden")));
    EXPECT_EQ(list.count(), 0);
    list.setDirectory(QString());
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(list.fileName(), QString());
}

} // namespace
