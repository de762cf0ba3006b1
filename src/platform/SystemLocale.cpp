#include "platform/SystemLocale.h"

#include <QByteArray>
#include <QLocale>

void UseGermanSystemLocale()
{
    const bool wasSet = qEnvironmentVariableIsSet("LC_ALL");
    const QByteArray previous = qgetenv("LC_ALL");
    // LC_ALL comes before every other variable; Qt keeps what it reads here.
    qputenv("LC_ALL", "de_DE.UTF-8");
    QLocale::system();
    if (wasSet)
        qputenv("LC_ALL", previous);
    else
        qunsetenv("LC_ALL");
}
