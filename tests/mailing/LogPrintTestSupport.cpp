#include "LogPrintTestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

QString PdfText(const QString& pdfFile)
{
    QProcess process;
    process.start(QStringLiteral("/usr/bin/pdftotext"),
                  {QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdfFile, QStringLiteral("-")});
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

int PdfPageCount(const QString& pdfFile)
{
    // pdftotext ends every page with a form feed.
    return int(PdfText(pdfFile).count(u'\f'));
}

PdfChoiceSeams::PdfChoiceSeams(QString pdfFile)
{
    seams.chooseOptions = [this, pdfFile](const QString& title, QWidget*) {
        ++dialogs;
        dialogTitle = title;
        LogPrintChoice choice;
        choice.accepted = true;
        choice.destination = LogPrintDestination::PdfFile;
        choice.pdfFile = pdfFile;
        return choice;
    };
    seams.today = [] { return QDate(2026, 12, 8); };
}

void WriteBytes(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(bytes);
}
