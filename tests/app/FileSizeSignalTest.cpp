#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>
#include <signal.h>

namespace {

// Whether the process catches a signal, from the kernel's mask of caught signals.
bool catchesSignal(qint64 pid, int signal)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("SigCgt:"))
            return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (signal - 1)) & 1;
    }
    return false;
}

} // namespace

// The program itself catches the file-size signal from its start, so a write past a file-size
// limit fails as a full disk does instead of ending it (what that makes of a send run is the
// mail tests' FileSizeLimitRun).
TEST(FileSizeSignal, TheProgramCatchesItFromItsStart)
{
    QTemporaryDir home;
    ASSERT_TRUE(QDir(home.path()).mkdir(QStringLiteral("run")));
    QFile::setPermissions(home.filePath(QStringLiteral("run")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("KUBNEWS_HOME"));
    environment.remove(QStringLiteral("KUBNEWS_REGISTRY"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.filePath(QStringLiteral("run")));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(KUB_PROGRAM), QStringList{});
    ASSERT_TRUE(program.waitForStarted(60000));

    bool caught = false;
    const QDeadlineTimer deadline(60000);
    while (!caught && program.state() == QProcess::Running && !deadline.hasExpired()) {
        caught = catchesSignal(program.processId(), SIGXFSZ);
        if (!caught)
            QThread::msleep(20);
    }
    program.kill();
    program.waitForFinished(60000);
    EXPECT_TRUE(caught);
}
