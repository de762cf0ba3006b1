#include "backup/DatabaseRecovery.h"
#include "core/DMTestDatabase.h"
#include "platform/AppPaths.h"
#include "platform/ZipTestSupport.h"
#include "support/FileModes.h"
#include "support/QtPrinters.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>

#include <unistd.h>

namespace {

// Hands the test's folders to an unprivileged user when running as root, so that rights hold.
bool becomeUnprivileged(const QString& root)
{
    if (::geteuid() != 0)
        return true;
    constexpr uid_t kNobody = 65534;
    QStringList paths{root};
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext())
        paths.append(it.next());
    for (const QString& path : paths) {
        if (::lchown(QFile::encodeName(path).constData(), kNobody, kNobody) != 0)
            return false;
    }
    return ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0;
}

// A Tmp the start cannot remove: the box names the entry in the way and why.
TEST(TmpRemovalTest, ATmpThatCannotBeRemovedIsToldWithThePathAndTheReason)
{
    NewsTestDatabase db;
    db.connection.disconnect();
    const QString tmp = AppPaths::tmpFolder();
    const QString locked = tmp + QStringLiteral("/Schreibgeschützt");
    ASSERT_TRUE(QDir().mkpath(locked));
    writeText(locked + QStringLiteral("/Brief.txt"), "bleibt");
    const QString told = db.env.root() + QStringLiteral("/told.txt");
    const QString expected = QStringLiteral("Das temporäre Verzeichnis \"") + tmp +
                             QStringLiteral("\" konnte nicht entfernt werden.\r\n\r\n\"") + locked +
                             QStringLiteral("/Brief.txt\" kann nicht gelöscht werden: keine Berechtigung.");

    const int code = exitCodeInChild([&] {
        if (!becomeUnprivileged(db.env.root()) || !SetFileMode(locked, 0555))
            return kCannotSetUp;
        const QString text = TmpProblemText(RecoverDatabaseFolder(db.folder(), newsDatabaseSchema()));
        QFile file(told);
        if (!file.open(QIODevice::WriteOnly))
            return kCannotSetUp;
        file.write(text.toUtf8());
        return 0;
    });
    ASSERT_EQ(code, 0);
    QFile file(told);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()), expected);
    EXPECT_TRUE(QFile::exists(locked + QStringLiteral("/Brief.txt")));
    EXPECT_TRUE(SetFileMode(locked, 0755));
}

} // namespace
