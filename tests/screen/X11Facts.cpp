#include "screen/X11Facts.h"

#include <QProcess>
#include <QRegularExpression>

namespace {

constexpr int kUtilityMs = 10000;

QString run(const QString& program, const QStringList& arguments)
{
    QProcess utility;
    utility.start(program, arguments);
    if (!utility.waitForFinished(kUtilityMs)) {
        utility.kill();
        utility.waitForFinished(kUtilityMs);
        return {};
    }
    return QString::fromUtf8(utility.readAllStandardOutput());
}

QString hexId(WId window)
{
    return QStringLiteral("0x%1").arg(window, 0, 16);
}

// The window ids of a property of the root window.
QList<WId> rootWindows(const QString& property)
{
    const QString line = run(QStringLiteral("xprop"), {QStringLiteral("-root"), property});
    QList<WId> windows;
    static const QRegularExpression id(QStringLiteral("0x[0-9a-fA-F]+"));
    for (const QRegularExpressionMatch& match : id.globalMatch(line.section(u'#', 1)))
        windows.append(match.captured().toULongLong(nullptr, 16));
    return windows;
}

} // namespace

namespace X11Facts {

bool isViewable(WId window)
{
    return run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), hexId(window)})
        .contains(QStringLiteral("Map State: IsViewable"));
}

QList<WId> stackingOrder()
{
    return rootWindows(QStringLiteral("_NET_CLIENT_LIST_STACKING"));
}

WId activeWindow()
{
    const QList<WId> active = rootWindows(QStringLiteral("_NET_ACTIVE_WINDOW"));
    return active.isEmpty() ? 0 : active.first();
}

QString textProperty(WId window, const QString& name)
{
    // Byte by byte in hex, so that no locale of the utility changes the text.
    const QString out = run(QStringLiteral("xprop"),
                            {QStringLiteral("-id"), hexId(window), QStringLiteral("-notype"), QStringLiteral("-f"),
                             name, QStringLiteral("8x"), QStringLiteral(" $0+\\n"), name});
    if (!out.startsWith(name + u' '))
        return {};
    QByteArray bytes;
    static const QRegularExpression byte(QStringLiteral("0x([0-9a-fA-F]{1,2})"));
    for (const QRegularExpressionMatch& match : byte.globalMatch(out))
        bytes.append(char(match.captured(1).toInt(nullptr, 16)));
    return QString::fromUtf8(bytes);
}

} // namespace X11Facts
