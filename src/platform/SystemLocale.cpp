#include "platform/SystemLocale.h"

#include <QByteArray>
#include <QLocale>

#include <unistd.h>

namespace {

constexpr char kGerman[] = "de_DE.UTF-8";
// Set only while the program starts itself again: "=" and the user's LC_ALL, or "unset".
constexpr char kStartedLcAll[] = "KUBNEWS_STARTED_LC_ALL";

void putBackStartedLcAll()
{
    const QByteArray started = qgetenv(kStartedLcAll);
    qunsetenv(kStartedLcAll);
    if (started.startsWith('='))
        qputenv("LC_ALL", started.mid(1));
    else
        qunsetenv("LC_ALL");
}

bool qtReadsGerman()
{
    const QLocale system = QLocale::system();
    return system.language() == QLocale::German && system.territory() == QLocale::Germany;
}

} // namespace

void UseGermanSystemLocale(char** argv)
{
    if (qEnvironmentVariableIsSet(kStartedLcAll)) {
        putBackStartedLcAll();
        return;
    }
    if (qtReadsGerman())
        return;
    qputenv(kStartedLcAll,
            qEnvironmentVariableIsSet("LC_ALL") ? QByteArray("=") + qgetenv("LC_ALL") : QByteArray("unset"));
    qputenv("LC_ALL", kGerman);
    execv("/proc/self/exe", argv);
    // Not started again: the environment's formats, the environment as it was.
    putBackStartedLcAll();
}
