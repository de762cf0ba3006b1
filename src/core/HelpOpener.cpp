#include "core/HelpOpener.h"

#include "desktop/MessageBoxes.h"
#include "platform/AppPaths.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>

THelpOpener::THelpOpener(UrlOpener opener)
    : m_opener(opener ? std::move(opener) : UrlOpener([](const QUrl& url) { return QDesktopServices::openUrl(url); }))
{}

QString THelpOpener::helpFile()
{
    const QString chm = AppPaths::assetPath(QStringLiteral("Help.chm"));
    if (QFileInfo::exists(chm))
        return chm;
    return AppPaths::assetPath(QStringLiteral("help/index.html"));
}

bool THelpOpener::open(QWidget* parent) const
{
    const QString file = helpFile();
    QString reason;
    if (!QFileInfo::exists(file))
        reason = QStringLiteral("Die Hilfedatei ") + QDir::toNativeSeparators(file) + QStringLiteral(" fehlt.");
    else if (!m_opener(QUrl::fromLocalFile(file)))
        reason = QStringLiteral("Für die Hilfedatei ") + QDir::toNativeSeparators(file) +
                 QStringLiteral(" ist kein Programm zum Anzeigen eingerichtet.");
    if (reason.isEmpty())
        return true;
    MessageBoxes::error(QStringLiteral("#528 ") + reason, parent);
    return false;
}
