#include "mail/UniqueIdSource.h"

#include <QSysInfo>
#include <QUuid>

const QString& TUniqueIdSource::HostPart()
{
    if (m_hostPart)
        return *m_hostPart;
    QString host;
    for (const QChar c : HostName()) {
        if ((c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
            (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('.') || c == QLatin1Char('-'))
            host.append(c);
    }
    m_hostPart = host.isEmpty() ? QStringLiteral("localhost") : host;
    return *m_hostPart;
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
