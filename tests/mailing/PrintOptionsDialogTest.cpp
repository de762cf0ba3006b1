#include "mailing/PrintOptionsDialog.h"

#include "LogPrintTestSupport.h"
#include "controls/TFlatSB.h"
#include "platform/MessageBoxes.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPrinterInfo>
#include <QRadioButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(PrintOptionsDialog, OffersTheLogAsPdfAndEnablesOkOnlyForACompleteDestination)
{
    TPrintOptionsDialog dialog(QStringLiteral("News 08.12.2026 #1"));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Drucker von Protokoll"));
    EXPECT_EQ(QFileInfo(dialog.PdfFile->text()).fileName(), QStringLiteral("News 08.12.2026 #1.pdf"));
    if (QPrinterInfo::availablePrinterNames().isEmpty()) {
        EXPECT_FALSE(dialog.PrinterChoice->isEnabled());
        EXPECT_TRUE(dialog.PreviewChoice->isChecked());
    }
    dialog.PdfChoice->setChecked(true);
    dialog.PdfFile->setText(QStringLiteral("  "));
    EXPECT_FALSE(dialog.OkButton->isEnabled());
    dialog.PdfFile->setText(QStringLiteral(" /tmp/x.pdf "));
    EXPECT_TRUE(dialog.OkButton->isEnabled());
    const LogPrintChoice choice = dialog.choice();
    EXPECT_FALSE(choice.accepted);
    EXPECT_EQ(choice.destination, LogPrintDestination::PdfFile);
    EXPECT_EQ(choice.pdfFile, QStringLiteral("/tmp/x.pdf"));

    // Characters a file name cannot hold are replaced.
    TPrintOptionsDialog odd(QStringLiteral("a/b:c"));
    EXPECT_EQ(QFileInfo(odd.PdfFile->text()).fileName(), QStringLiteral("a_b_c.pdf"));
}

TEST(PrintOptionsDialog, AnExistingPdfIsReplacedOnlyAfterYes)
{
    QTemporaryDir dir;
    const QString existing = dir.filePath(QStringLiteral("alt.pdf"));
    WriteBytes(existing, "%PDF alt");
    MessageBoxRecorder boxes;
    TPrintOptionsDialog dialog(QStringLiteral("T"));
    dialog.PdfChoice->setChecked(true);
    dialog.PdfFile->setText(existing);

    boxes.answerNext(MsgAnswer::No);
    dialog.accept();
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    ASSERT_EQ(boxes.texts(), QStringList{QStringLiteral("Die Datei ") + existing +
                                         QStringLiteral(" ist bereits vorhanden. Soll sie ersetzt werden?")});
    EXPECT_EQ(boxes.boxes()[0].buttons, MsgButtons::YesNo);

    boxes.answerNext(MsgAnswer::Yes);
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(dialog.choice().accepted);
}

// A fresh home folder has no documents folder yet: the PDF is offered where it can be written,
// and a name typed without a folder lands beside the offered one, not in the current folder.
TEST(PrintOptionsDialog, OffersAnExistingFolderAndTakesRelativeNamesThere)
{
    QTemporaryDir home;
    const QByteArray oldHome = qgetenv("HOME");
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral(".config")).toUtf8());
    struct Restore {
        QByteArray home, config;
        ~Restore()
        {
            qputenv("HOME", home);
            if (config.isEmpty())
                qunsetenv("XDG_CONFIG_HOME");
            else
                qputenv("XDG_CONFIG_HOME", config);
        }
    } restore{oldHome, oldConfig};

    for (const bool withDocuments : {false, true}) {
        SCOPED_TRACE(withDocuments);
        const QString folder = withDocuments ? home.filePath(QStringLiteral("Documents")) : home.path();
        if (withDocuments) {
            ASSERT_TRUE(QDir().mkpath(folder));
        }
        TPrintOptionsDialog dialog(QStringLiteral("News 10.12.2026 #2"));
        EXPECT_EQ(dialog.PdfFile->text(), folder + QStringLiteral("/News 10.12.2026 #2.pdf"));
        dialog.PdfChoice->setChecked(true);
        dialog.PdfFile->setText(QStringLiteral("Bericht.pdf"));
        EXPECT_EQ(dialog.choice().pdfFile, folder + QStringLiteral("/Bericht.pdf"));
    }
}
