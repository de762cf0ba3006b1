// Saves a PNG of what the X server shows, for looking at the program's windows under Xvfb.
//   kubshot screen OUT.png [SECONDS]   waits, grabs the whole screen and crops it to the windows
//   kubshot WINDOW OUT.png             opens one of the program's windows itself and grabs it
// WINDOW: about, splash, main, menu (the main window with "Erweitert" and "Datensicherung" open),
// settings (folder page), connection (connection page), picker,
// logview, logs, print (the viewer's print options), preview (the viewer's print preview),
// template (the template dialog with its preview), filedialog (Qt's file dialog in detail view),
// status (a send run's status window after its log filled up), importcheck (the import's preview
// with its notes on quotes).
#include "addressbook/CsvReading.h"
#include "addressbook/ImpCheckForm.h"
#include "app/Main.h"
#include "backup/BackupUSPForm.h"
#include "backup/DirDialogForm.h"
#include "controls/FsFileListBox.h"
#include "core/AboutForm.h"
#include "core/OptionForm.h"
#include "core/PathSelectForm.h"
#include "core/StartForm.h"
#include "core/StartUp.h"
#include "mailing/LogViewForm.h"
#include "mailing/NewsForm.h"
#include "mailing/NewsPreview.h"
#include "mailing/ProtoModForm.h"
#include "mailing/UserSpass.h"
#include "platform/AppPaths.h"
#include "platform/SystemLocale.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QProgressBar>
#include <QScreen>
#include <QTabBar>
#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

// The smallest rectangle holding every pixel that is not the black root window.
QRect windowsArea(const QImage& image)
{
    QRect area;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(line[x]) > 0)
                area |= QRect(x, y, 1, 1);
        }
    }
    return area;
}

QImage grabScreen()
{
    const QImage screen =
        QGuiApplication::primaryScreen()->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
    const QRect area = windowsArea(screen);
    return area.isEmpty() ? screen : screen.copy(area);
}

// A few send logs in the work folder, as runs leave them (Windows-1252, CR LF); returns the
// path of the first.
QString writeSampleLogs()
{
    QDir().mkpath(AppPaths::logFolder());
    const QString first = AppPaths::logFolder() + QStringLiteral("/News_08122026_1.log");
    const QStringList names{QStringLiteral("News_08122026_1.log"), QStringLiteral("News_08122026_2.log"),
                            QStringLiteral("News_09122026_1.log"), QStringLiteral("News_x.log")};
    for (const QString& name : names) {
        QFile file(AppPaths::logFolder() + u'/' + name);
        if (!file.open(QIODevice::WriteOnly))
            continue;
        file.write("Protokoll vom 08.12.2026 14:02:11\r\n"
                   "Absender: M\xfcller & S\xf6hne GmbH <info@example.de>\r\n"
                   "Verbindung zu mail.example.de:25 wird hergestellt ... OK\r\n"
                   "Anmeldung als info@example.de ... OK\r\n");
        for (int i = 1; i <= 40; ++i)
            file.write(QStringLiteral("Mail %1 an empf%2@example.de ... gesendet\r\n").arg(i).arg(i).toLatin1());
        file.write("Verbindung getrennt.\r\nErgebnis: Alle Mails wurden gesendet.\r\n");
    }
    return first;
}

std::unique_ptr<QWidget> openWindow(const QString& name)
{
    if (name == QLatin1String("about"))
        return std::make_unique<TAboutForm>();
    if (name == QLatin1String("splash")) {
        auto splash = std::make_unique<TPStartForm>();
        splash->Label1->setText(QStringLiteral("Datenbank wird geöffnet..."));
        return splash;
    }
    if (name == QLatin1String("template")) {
        // The dialog at the shipped samples with one chosen, its preview open beside it.
        auto form = std::make_unique<TNewsForm>();
        form->move(10, 10);
        form->show();
        form->FsFileListBox1->selectFileName(QStringLiteral("Monatsbrief.html"));
        auto* preview = new TNewsPreview(form.get());
        preview->FileName = form->FileName;
        preview->move(form->frameGeometry().right() + 10, 10);
        preview->show();
        return form;
    }
    if (name == QLatin1String("main")) {
        auto main = std::make_unique<TMainForm>();
        main->setWindowState(Qt::WindowNoState);
        main->resize(780, 580);
        return main;
    }
    if (name == QLatin1String("menu")) {
        auto main = std::make_unique<TMainForm>();
        main->setWindowState(Qt::WindowNoState);
        main->resize(780, 580);
        main->move(10, 10);
        // Opened once the window is up: the menu, then its sub-menu through the keyboard.
        QTimer::singleShot(500, main.get(), [shown = main.get()] {
            shown->menuBar()->setActiveAction(shown->Erweitert1->menuAction());
            QTimer::singleShot(300, shown, [shown] {
                shown->Erweitert1->setActiveAction(shown->Datensicherung1->menuAction());
                QCoreApplication::postEvent(shown->Erweitert1, new QKeyEvent(QEvent::KeyPress, Qt::Key_Right, {}));
            });
        });
        return main;
    }
    if (name == QLatin1String("settings") || name == QLatin1String("connection")) {
        auto options = std::make_unique<TOptionForm>();
        // The dialog opens on the folder page when shown; the other page is chosen after that.
        if (name == QLatin1String("connection"))
            QTimer::singleShot(0, options.get(), [form = options.get()] { form->FTC1->setCurrentIndex(1); });
        return options;
    }
    if (name == QLatin1String("picker")) {
        auto picker = std::make_unique<TPathSelectForm>();
        picker->StartPath = QStringLiteral("/usr/share");
        return picker;
    }
    if (name == QLatin1String("backup")) {
        auto progress = std::make_unique<TBackupUSPForm>();
        progress->Label2->setText(QStringLiteral("Sicherungsdatei wird erstellt"));
        progress->showFileName(AppPaths::tmpFolder() + QStringLiteral("/Adressen.ADT"));
        progress->setBarMaxima(10001, 10001);
        progress->FPB1->setValue(6001);
        progress->FPB2->setValue(3001);
        return progress;
    }
    if (name == QLatin1String("restore"))
        return std::make_unique<TDirDialogForm>();
    if (name == QLatin1String("logview")) {
        auto viewer = std::make_unique<TLogViewForm>();
        viewer->LoadLog(QStringLiteral("News 08.12.2026 #1"), writeSampleLogs());
        return viewer;
    }
    if (name == QLatin1String("print") || name == QLatin1String("preview")) {
        LogPrintSeams seams;
        if (name == QLatin1String("preview")) {
            seams.chooseOptions = [](const QString&, QWidget*) {
                return LogPrintChoice{true, LogPrintDestination::Preview, {}, {}};
            };
        }
        auto viewer = std::make_unique<TLogViewForm>(seams);
        viewer->LoadLog(QStringLiteral("News 08.12.2026 #1"), writeSampleLogs());
        // The dialog is modal: it opens once the event loop runs.
        QTimer::singleShot(300, viewer.get(), [shown = viewer.get()] { shown->PrintShownLog(); });
        return viewer;
    }
    if (name == QLatin1String("filedialog")) {
        // Qt's own file dialog in its detail view, at the sample logs.
        writeSampleLogs();
        auto dialog = std::make_unique<QFileDialog>(nullptr, QStringLiteral("Browse"), AppPaths::logFolder());
        dialog->setOption(QFileDialog::DontUseNativeDialog);
        dialog->setViewMode(QFileDialog::Detail);
        dialog->resize(760, 420);
        return dialog;
    }
    if (name == QLatin1String("importcheck")) {
        // The import's preview of a file with a stray quote and a note over lines.
        const CsvLines lines(
            QStringLiteral("Firma;Name;Email;Notiz\n"
                           "Baumschule Nord;Meier;meier@example.org;\"Rückruf erbeten\n"
                           "Lang KG;Lang;lang@example.org;Monitore 24\";\n"
                           "Bäckerei Korn;Korn;korn@example.org;\"Öffnung: Mo; Di; Mi\nnach Absprache\"\n"
                           "Schulz GmbH;Schulz;schulz@example.org;kurz\n"));
        FieldMapping mapping = UnmappedFields();
        mapping[static_cast<size_t>(RecipientField::Firma)] = 0;
        mapping[static_cast<size_t>(RecipientField::Name)] = 1;
        mapping[static_cast<size_t>(RecipientField::Email)] = 2;
        static TFDBData records; // the preview shows them without a copy of its own
        QList<int> rejected;
        QList<int> recordLines;
        ReadImportRecords(lines, records, mapping, nullptr, rejected, &recordLines);
        auto check = std::make_unique<TImpCheckForm>();
        check->FillRows(records);
        check->ShowNotes(QuoteNotes(lines, recordLines));
        return check;
    }
    if (name == QLatin1String("status")) {
        // A send run whose log filled up: the recipients left, the mails sent, the one the log
        // misses and one whose acceptance is not certain.
        auto status = std::make_unique<TUserSP>();
        status->Mode = 1;
        status->LogName = writeSampleLogs();
        status->setTitle(QStringLiteral("Senden Newsletter"));
        status->show();
        status->initProgress(3000);
        for (int i = 0; i < 1567; ++i)
            status->stepProgress();
        status->ShowResult({SendResult::LogIncomplete,
                            QString::fromLocal8Bit(strerror(ENOSPC)),
                            1567,
                            {QStringLiteral("anna.schaefer@bäckerei-müller.de")},
                            3000 - 1567 - 1,
                            {QStringLiteral("b.keller@kunde.example")}});
        return status;
    }
    if (name == QLatin1String("logs")) {
        writeSampleLogs();
        auto manager = std::make_unique<TProtoModForm>(nullptr, TProtoModForm::ShowLogFunction{});
        return manager;
    }
    return nullptr;
}

} // namespace

int main(int argc, char** argv)
{
    UseGermanSystemLocale(argv);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    InstallQtTranslations();
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: kubshot "
                             "screen|about|splash|main|menu|settings|connection|picker|backup|restore|logview|logs|"
                             "print|preview|template|filedialog|status "
                             "OUT.png [SECONDS]\n");
        return 2;
    }
    const QString what = args.at(1);
    const QString out = args.at(2);

    std::unique_ptr<QWidget> window;
    int waitMs = what == QLatin1String("template") ? 4000 : 1500; // the browser engine starts slowly
    if (what == QLatin1String("screen")) {
        waitMs = args.size() > 3 ? int(args.at(3).toDouble() * 1000) : 3000;
    } else {
        window = openWindow(what);
        if (!window) {
            std::fprintf(stderr, "kubshot: unknown window %s\n", qPrintable(what));
            return 2;
        }
        window->show();
    }
    int result = 1;
    QTimer::singleShot(waitMs, &app, [&] {
        result = grabScreen().save(out) ? 0 : 1;
        QCoreApplication::quit();
    });
    QApplication::exec();
    return result;
}
