#pragma once

#include <QByteArray>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

// What an outside tool did: its exit code (-1 when it did not finish) and its output.
struct ToolRun {
    int exitCode = -1;
    QString output;
};

// Runs a program (zip, unzip) in folder, with a generous bound.
inline ToolRun runTool(const QString& program, const QStringList& arguments, const QString& folder)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return {-1, QString::fromLocal8Bit(process.readAll())};
    return {process.exitCode(), QString::fromLocal8Bit(process.readAll())};
}

// A file of size bytes that do not compress (seeded, so every run sees the same bytes).
inline void writeNoise(const QString& path, qint64 size, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (qint64 i = 0; i < size; ++i)
        bytes[i] = char(random.bounded(256));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

inline void writeText(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

inline QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline QByteArray fileHash(const QString& path)
{
    return QCryptographicHash::hash(readAll(path), QCryptographicHash::Sha256).toHex();
}

// The Unix mode column ("-rw-------") of every member as Info-ZIP's zipinfo lists it.
inline QStringList memberModes(const QString& archive)
{
    const ToolRun listing = runTool(QStringLiteral("unzip"), {QStringLiteral("-Z"), archive}, QString());
    QStringList modes;
    static const QRegularExpression memberLine(QStringLiteral("^(\\S{10}) +\\d+\\.\\d+ +\\w+ "));
    for (const QString& line : listing.output.split(u'\n')) {
        if (const QRegularExpressionMatch match = memberLine.match(line); match.hasMatch())
            modes.append(match.captured(1));
    }
    return modes;
}

// Writes a crafted archive with tests/tools/craft_zip.py (see there for the arguments).
inline void craftZip(const QStringList& arguments)
{
    const ToolRun run = runTool(QStringLiteral("/usr/bin/python3"),
                                QStringList{QStringLiteral(KUB_TEST_TOOLS "/craft_zip.py")} + arguments, QString());
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
}

// The hash of every file in folder, by name.
inline std::map<QString, QByteArray> folderHashes(const QString& folder)
{
    std::map<QString, QByteArray> hashes;
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden))
        hashes[name] = fileHash(folder + u'/' + name);
    return hashes;
}

// Runs work in a child process, so that a limit it sets or a folder it mounts stays there,
// and gives the child's exit code (-1 when it did not exit).
inline int exitCodeInChild(const std::function<int()>& work)
{
    const pid_t child = fork();
    if (child == 0)
        _exit(work());
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

// Exit code of a child that could not set up what the test needs.
constexpr int kCannotSetUp = 77;

// Mounts a 256 KiB file system on folder, seen by this (child) process only: writes beyond it
// fail with "No space left on device".
inline bool mountSmallDisk(const QString& folder)
{
    return unshare(CLONE_NEWNS) == 0 && mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
           mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, "size=256k") == 0;
}
