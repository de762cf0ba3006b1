#include "core/PosText.h"

namespace {

char16_t asciiUpper(char16_t c)
{
    return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - (u'a' - u'A')) : c;
}

} // namespace

int PosText(const QString& S, const QString& Sub, int Start)
{
    const qsizetype n = S.size();
    const qsizetype m = Sub.size();
    if (n == 0 || m == 0 || Start > n || n < m)
        return 0;
    if (Start < 1)
        Start = 1;
    const char16_t* s = reinterpret_cast<const char16_t*>(S.constData());
    const char16_t* sub = reinterpret_cast<const char16_t*>(Sub.constData());
    for (qsizetype p = Start - 1; p <= n - m; ++p) {
        qsizetype k = 0;
        while (k < m && asciiUpper(s[p + k]) == asciiUpper(sub[k]))
            ++k;
        if (k == m)
            return static_cast<int>(p + 1);
    }
    return 0;
}
