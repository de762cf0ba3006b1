#include "mail/UniqueIdSource.h"

#include <QSysInfo>
#include <QUuid>

QString TUniqueIdSource::HostPart() const
{
    QString host;
    for (const QChar c : HostName()) {
        if ((c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
            (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('.') || c == QLatin1Char('-'))
            host.append(c);
    }
    return host.isEmpty() ? QStringLiteral("localhost") : host;
}

QString TUniqueIdSource::NewUniqueId()
{
    return NewGuid() + QLatin1Char('@') + HostPart();
}

QByteArray TUniqueIdSource::NewBoundary()
{
    const QString boundary = NewGuid() + QLatin1Char('.') + HostPart();
    return boundary.left(70).toLatin1();
}

QString TSystemUniqueIdSource::NewGuid()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

QString TSystemUniqueIdSource::HostName() const
{
    return QSysInfo::machineHostName();
}
