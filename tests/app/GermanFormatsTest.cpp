#include "support/QtPrinters.h"

#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Qt's file dialog shows sizes and dates German, whatever locale the environment names, and the
// environment handed on to other programs stays as it was.
TEST(GermanFormats, QtsFileDialogShowsThemWhateverTheEnvironment)
{
    QTemporaryDir folder;
    QFile file(folder.filePath(QStringLiteral("Adressen.csv")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(QByteArray(3810, 'x')), 3810);
    ASSERT_TRUE(file.flush());
    ASSERT_TRUE(file.setFileTime(QDateTime(QDate(2026, 12, 10), QTime(9, 5)), QFileDevice::FileModificationTime));
    file.close();

    const struct {
        const char* name;
        QStringList set; // NAME=value
    } environments[] = {
        {"no locale variables", {}},
        {"English", {QStringLiteral("LANG=en_US.UTF-8"), QStringLiteral("LC_ALL=en_US.UTF-8")}},
        {"C", {QStringLiteral("LC_ALL=C"), QStringLiteral("LC_TIME=en_GB.UTF-8")}},
    };
    for (const auto& e : environments) {
        SCOPED_TRACE(e.name);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"LANG", "LANGUAGE", "LC_ALL", "LC_TIME", "LC_NUMERIC", "LC_MESSAGES"})
            environment.remove(QString::fromLatin1(name));
        QString lcAll = QStringLiteral("(unset)");
        for (const QString& variable : e.set) {
            const QString name = variable.section(u'=', 0, 0);
            environment.insert(name, variable.section(u'=', 1));
            if (name == QStringLiteral("LC_ALL"))
                lcAll = variable.section(u'=', 1);
        }
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        QProcess probe;
        probe.setProcessEnvironment(environment);
        probe.start(QStringLiteral(KUB_LOCALE_PROBE), {folder.path(), QStringLiteral("Adressen.csv")});
        ASSERT_TRUE(probe.waitForFinished(120000));
        ASSERT_EQ(probe.exitCode(), 0) << probe.readAllStandardError().toStdString();
        EXPECT_EQ(QString::fromUtf8(probe.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts),
                  (QStringList{QStringLiteral("3,72 KiB"), QStringLiteral("10.12.26 09:05"),
                               QStringLiteral("LC_ALL=") + lcAll, QStringLiteral("KUBNEWS_STARTED_LC_ALL=(unset)")}));
    }
}

} // namespace
