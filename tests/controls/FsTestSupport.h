#pragma once

#include "desktop/ShellIcons.h"
#include "platform/VolumeProvider.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// Volumes as a test lays them out; change() tells the controls as the mount watcher would.
class FakeVolumeProvider : public VolumeProvider {
public:
    QList<VolumeInfo> list;
    QList<VolumeInfo> volumes() const override { return list; }
    void add(const QString& mountPoint, VolumeKind kind = VolumeKind::Fixed)
    {
        list.append({mountPoint, mountPoint, QStringLiteral("ext4"), kind, mountPoint + QStringLiteral(" #1")});
        std::sort(list.begin(), list.end(),
                  [](const VolumeInfo& a, const VolumeInfo& b) { return a.mountPoint < b.mountPoint; });
    }
    void change() { emit volumesChanged(); }
};

class FakeShellIcons : public ShellIcons {
public:
    bool openSucceeds = true;
    QStringList opened;
    bool openFile(const QString& path) override
    {
        opened << path;
        return openSucceeds;
    }
};

// A temporary folder to build files in; fails the test when anything changed the process's
// current folder meanwhile.
class FsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    void TearDown() override { EXPECT_EQ(QDir::currentPath(), m_cwd) << "the current folder was changed"; }

    QString root() const { return m_dir.path(); }
    QString path(const QString& relative) const { return m_dir.path() + QLatin1Char('/') + relative; }
    void makeFolder(const QString& relative) const { ASSERT_TRUE(QDir().mkpath(path(relative))); }
    void makeFile(const QString& relative) const
    {
        QFile file(path(relative));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }

private:
    QTemporaryDir m_dir;
    QString m_cwd = QDir::currentPath();
};
