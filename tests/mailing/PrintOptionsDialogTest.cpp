#include "mailing/PrintOptionsDialog.h"

#include "LogPrintTestSupport.h"
#include "controls/TFlatSB.h"
#include "desktop/MessageBoxes.h"

#include <QComboBox>
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
