#include "mailing/LogPrinting.h"

#include "mailing/LogReportLayout.h"
#include "mailing/LogReportRenderer.h"
#include "mailing/PdfCompleteness.h"
#include "mailing/PrintOptionsDialog.h"
#include "mailing/PrintQueues.h"
#include "platform/AppPaths.h"
#include "platform/MessageBoxes.h"
#include "platform/ScreenCursor.h"
#include "platform/StagedFile.h"

#include <QDir>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTemporaryFile>

#include <memory>

namespace {

constexpr int kDeviceFailure = -11;
constexpr int kNoPrinter = -15;
constexpr int kTempFileFailure = -46;

LogPrintChoice chooseWithDialog(const QString& title, QWidget* parent)
{
    TPrintOptionsDialog dialog(title, parent);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.choice();
}

void previewWithDialog(QPrinter& printer, const std::function<void(QPrinter&)>& paint, QWidget* parent)
{
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral("Druckvorschau"));
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&paint](QPrinter* target) { paint(*target); });
    dialog.exec();
}

std::unique_ptr<QPrinter> pdfPrinter(const QString& pdfFile)
{
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(pdfFile);
    return printer;
}

// The printer of the choice, writing a PDF into pdfFile; nullptr when the chosen printer is not
// there (any more). A queue's pages are drawn into pdfFile on the queue's paper, so that the
// job handed to the queue and its number come from us.
std::unique_ptr<QPrinter> printerFor(const LogPrintChoice& choice, const QString& pdfFile)
{
    switch (choice.destination) {
    case LogPrintDestination::Printer: {
        const QPrinterInfo info = QPrinterInfo::printerInfo(choice.printerName);
        if (info.isNull())
            return nullptr;
        const QPageLayout page = QPrinter(info, QPrinter::HighResolution).pageLayout();
        auto printer = pdfPrinter(pdfFile);
        printer->setPageLayout(page);
        return printer;
    }
    case LogPrintDestination::PdfFile:
        return pdfPrinter(pdfFile);
    case LogPrintDestination::Preview:
        break;
    }
    return std::make_unique<QPrinter>(QPrinter::HighResolution);
}

// Why nothing can be printed to the destination, found before anything is drawn; kReportDone
// when it can. A system queue must take jobs and gets a job file; a PDF file gets its temporary
// file beside it.
int destinationRefusal(const LogPrintChoice& choice, IPrintQueues& queues, QTemporaryFile& jobFile,
                       StagedFile& staged)
{
    switch (choice.destination) {
    case LogPrintDestination::Printer: {
        const PrintQueueState state = queues.state(choice.printerName);
        if (!state.known)
            return kNoPrinter;
        if (!state.accepting)
            return kDeviceFailure;
        return jobFile.open() ? kReportDone : kTempFileFailure;
    }
    case LogPrintDestination::PdfFile:
        return staged.create() ? kReportDone : kDeviceFailure;
    case LogPrintDestination::Preview:
        break;
    }
    return kReportDone;
}

// A queue's print counts only when the queue took the complete job file.
int printToQueue(IPrintQueues& queues, const QString& queue, const QString& title, const QString& jobFile,
                 const std::function<int()>& render, QWidget* parent)
{
    const int code = render();
    if (code != kReportDone)
        return code;
    if (!IsCompletePdf(jobFile) || queues.submit(queue, jobFile, title) <= 0)
        return kDeviceFailure;
    if (queues.state(queue).paused) {
        ScreenCursor::set(CursorShape::Default);
        MessageBoxes::information(QStringLiteral("Der Drucker \"") + queue +
                                      QStringLiteral("\" ist angehalten.\r\n\r\nDer Druckauftrag wartet, bis der "
                                                     "Drucker fortgesetzt wird."),
                                  parent);
    }
    return kReportDone;
}

// Writes the PDF beside its target and puts it in place only when it was written to its end.
int printToPdf(StagedFile& staged, const std::function<int()>& render)
{
    const int code = render();
    if (code != kReportDone)
        return code;
    return IsCompletePdf(staged.path()) && staged.commit() ? kReportDone : kDeviceFailure;
}

} // namespace

QString ReportErrorText(int code)
{
    static const std::pair<int, const char*> kTexts[] = {
        {-10, "Die Objektdatei konnte nicht geöffnet werden."},
        {-11, "Kann Drucker-Device nicht öffnen."},
        {-15, "Kein Drucker verfügbar."},
        {-17, "Keine Preview-Dateien gefunden."},
        {-22, "Die Projektdatei konnte nicht geöffnet werden."},
        {-23, "Fehler in verwendetem Ausdruck."},
        {-24, "Die Projektdatei hat ein falsches Format oder ist defekt."},
        {-28, "Kein Listenobjekt vorhanden."},
        {-29, "Das Projekt ist leer."},
        {-45, "Ungültige Codepage."},
        {-46, "Temporärdatei konnte nicht erzeugt werden."},
        {-100, "Falsche DLL-Version(en)."},
        {-101, "Sprach-DLL nicht gefunden."},
        {-102, "Zu wenig freier Speicher."},
        {-104, "Zugriffsverletzung aufgetreten."},
        {-998, "LL_WRN_REPEAT_DATA"},
    };
    const QString number = QStringLiteral("Fehler-Nr. ") + QString::number(code);
    for (const auto& [known, text] : kTexts) {
        if (known == code)
            return number + QStringLiteral(" : ") + QString::fromUtf8(text);
    }
    return number;
}

void ShowReportError(int code, const QString& context, QWidget* parent)
{
    ScreenCursor::set(CursorShape::Default);
    if (code == -12 || code == kReportCancelled)
        return;
    MessageBoxes::plain(QStringLiteral("Druck abgebrochen. ") + ReportErrorText(code) + QStringLiteral("  ") + context,
                        parent);
}

int PrintLog(const QString& title, const QTextDocument& content, QWidget* parent, const LogPrintSeams& seams)
{
    const QString context = QStringLiteral("Druck");
    HourglassCursor hourglass;
    const LogReportLayoutResult read =
        ReadLogReportLayout(seams.layoutFile.isEmpty() ? AppPaths::assetPath(QStringLiteral("Log.lbl"))
                                                       : seams.layoutFile);
    if (read.code != 0) {
        ShowReportError(read.code, context, parent);
        return read.code;
    }

    // The user chooses under the arrow, as in every dialog of the program.
    ScreenCursor::set(CursorShape::Default);
    const LogPrintChoice choice = seams.chooseOptions ? seams.chooseOptions(title, parent)
                                                      : chooseWithDialog(title, parent);
    if (!choice.accepted)
        return kReportCancelled;
    ScreenCursor::set(CursorShape::Hourglass);

    IPrintQueues& queues = seams.printQueues ? *seams.printQueues : SystemPrintQueues();
    QTemporaryFile jobFile(QDir::tempPath() + QStringLiteral("/kubNEWS-XXXXXX.pdf"));
    StagedFile staged(choice.pdfFile);
    const int refusal = destinationRefusal(choice, queues, jobFile, staged);
    if (refusal != kReportDone) {
        ShowReportError(refusal, context, parent);
        return refusal;
    }
    const std::unique_ptr<QPrinter> printer =
        printerFor(choice, choice.destination == LogPrintDestination::Printer ? jobFile.fileName() : staged.path());
    if (!printer) {
        ShowReportError(kNoPrinter, context, parent);
        return kNoPrinter;
    }
    printer->setDocName(title);
    const QDate date = seams.today ? seams.today() : QDate::currentDate();

    int code = kReportDone;
    if (choice.destination == LogPrintDestination::Preview) {
        const auto paint = [&](QPrinter& target) {
            const int result = RenderLogReport(read.layout, title, content, target, date);
            if (code == kReportDone)
                code = result;
        };
        ScreenCursor::set(CursorShape::Default);
        if (seams.showPreview)
            seams.showPreview(*printer, paint, parent);
        else
            previewWithDialog(*printer, paint, parent);
    } else {
        const auto render = [&] { return RenderLogReport(read.layout, title, content, *printer, date); };
        if (choice.destination == LogPrintDestination::PdfFile)
            code = printToPdf(staged, render);
        else
            code = printToQueue(queues, choice.printerName, title, jobFile.fileName(), render, parent);
    }
    if (code != kReportDone)
        ShowReportError(code, context, parent);
    return code;
}
