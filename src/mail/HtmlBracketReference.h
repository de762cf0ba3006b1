#pragma once

#include <QStringView>

// The character references an HTML text writes "<" and ">" with, where they are text and not
// markup: "&lt;" and "&gt;" in any letter case, and the numeric ones "&#60;", "&#x3C;",
// "&#62;" and "&#x3E;" (any letter case, any number of leading zeros). Each needs its ";"; the
// forms that HTML parsers also take without one are not matched.
enum class HtmlBracket { Less, Greater };

// The length of the reference to bracket that starts at pos in text, or 0 when none does.
qsizetype HtmlBracketReferenceAt(QStringView text, qsizetype pos, HtmlBracket bracket);
