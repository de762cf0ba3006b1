#include "mailing/CharacterSets.h"

#include <cstring>

bool FitsLatin1(QStringView text)
{
    // Four units at a time: a unit above 0xFF sets a bit of its high byte.
    constexpr quint64 kHighBytes = 0xFF00FF00FF00FF00ULL;
    const char16_t* units = text.utf16();
    const qsizetype n = text.size();
    qsizetype i = 0;
    for (; i + 64 <= n; i += 64) {
        quint64 bits = 0;
        for (qsizetype j = i; j < i + 64; j += 4) {
            quint64 word;
            std::memcpy(&word, units + j, sizeof word);
            bits |= word;
        }
        if (bits & kHighBytes)
            return false;
    }
    char16_t rest = 0;
    for (; i < n; ++i)
        rest |= units[i];
    return rest <= 0xFF;
}

bool IsPrintableAscii(const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7E)
            return false;
    }
    return true;
}
