#include "core/HelpOpener.h"

#include "desktop/MessageBoxes.h"
#include "desktop/ScreenCursor.h"
#include "platform/AppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QTimer>
#include <QWidget>

#include <memory>

namespace {

// xdg-open's status when no program for the file is set up.
constexpr int kNoViewerStatus = 3;

QString noViewerText(const QString& file)
{
    return QStringLiteral("Für die Hilfedatei ") + QDir::toNativeSeparators(file) +
           QStringLiteral(" ist kein Programm zum Anzeigen eingerichtet.");
}

// The hourglass while a viewer starts and is watched, until the last of the viewers opened one
// after the other is known; ending a wait again does nothing.
class ViewerWait {
public:
    ViewerWait()
    {
        if (s_waiting++ == 0)
            ScreenCursor::set(CursorShape::Hourglass);
    }
    ~ViewerWait() { end(); }
    ViewerWait(const ViewerWait&) = delete;
    ViewerWait& operator=(const ViewerWait&) = delete;

    void end()
    {
        if (m_ended)
            return;
        m_ended = true;
        if (--s_waiting == 0)
            ScreenCursor::set(CursorShape::Default);
    }

private:
    static inline int s_waiting = 0;
    bool m_ended = false;
};

} // namespace

THelpOpener::THelpOpener(HelpViewer viewer) : m_viewer(std::move(viewer)) {}

QString THelpOpener::helpFile()
{
    const QString chm = AppPaths::assetPath(QStringLiteral("Help.chm"));
    if (QFileInfo::exists(chm))
        return chm;
    return AppPaths::assetPath(QStringLiteral("help/index.html"));
}

void THelpOpener::open(QWidget* parent) const
{
    const QString file = helpFile();
    const QPointer<QWidget> boxParent = parent;
    auto fail = [boxParent](const QString& reason) {
        MessageBoxes::error(QStringLiteral("#528 ") + reason, boxParent);
    };
    if (!QFileInfo::exists(file)) {
        fail(QStringLiteral("Die Hilfedatei ") + QDir::toNativeSeparators(file) + QStringLiteral(" fehlt."));
        return;
    }

    // The viewer may run until its window closes, so its end is watched, never waited for. The
    // wait goes with the viewer's process at the latest.
    auto* viewer = new QProcess(parent ? static_cast<QObject*>(parent) : QCoreApplication::instance());
    const auto wait = std::make_shared<ViewerWait>();
    QObject::connect(viewer, &QProcess::errorOccurred, viewer,
                     [viewer, file, fail, wait](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart)
                             return;
                         wait->end();
                         viewer->deleteLater();
                         fail(noViewerText(file));
                     });
    QObject::connect(viewer, &QProcess::finished, viewer,
                     [viewer, file, fail, wait, program = m_viewer.program](int status, QProcess::ExitStatus how) {
                         wait->end();
                         viewer->deleteLater();
                         if (how == QProcess::NormalExit && status == 0)
                             return;
                         if (how == QProcess::NormalExit && status == kNoViewerStatus) {
                             fail(noViewerText(file));
                             return;
                         }
                         fail(QStringLiteral("Die Hilfedatei ") + QDir::toNativeSeparators(file) +
                              QStringLiteral(" konnte nicht angezeigt werden (") + program +
                              (how == QProcess::NormalExit ? QStringLiteral(" endete mit dem Status %1).").arg(status)
                                                           : QStringLiteral(" brach ab).")));
                     });
    viewer->setProcessChannelMode(QProcess::ForwardedChannels);
    viewer->setStandardInputFile(QProcess::nullDevice());
    QTimer::singleShot(m_viewer.waitMs, viewer, [wait] { wait->end(); });
    viewer->start(m_viewer.program, m_viewer.arguments + QStringList{file});
}
