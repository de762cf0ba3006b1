#include "mail/SendLogNames.h"

#include "platform/AppPaths.h"

#include <QStringList>

QString LogTitleFromFileName(const QString& FileName)
{
    QString cut = FileName;
    const qsizetype point = cut.indexOf(u'.');
    if (point >= 0)
        cut.truncate(point);
    cut += u'_';
    const QStringList parts = cut.split(u'_');
    const QString first = parts.value(0);
    const QString date = parts.value(1);
    const QString number = parts.value(2);
    if (date.size() != 8)
        return QStringLiteral("Fehlerhaft (") + cut + u')';
    return first + u' ' + date.left(2) + u'.' + date.mid(2, 2) + u'.' + date.mid(4) + QStringLiteral(" #") + number;
}

QString FallbackLogFilePath()
{
    return AppPaths::workFolder() + QStringLiteral("/newsletter.log");
}
