#pragma once

#include <QString>
#include <QStringView>

// The markup of an HTML page as a browser's tokenizer reads it (WHATWG HTML, "Tokenization"):
// start and end tags with their attributes (a quoted value may hold ">"), comments ("<!--"
// through "-->" or "--!>"), declarations and processing instructions ("<!", "<?" and "</"
// before a non-letter, through the next ">"). A start tag of script or style also takes the
// element's raw content, up to its end tag. A "<" that opens none of these is text, as is
// "<#".

// The length of the markup that starts at pos, or 0 when the character at pos is text. Markup
// left open runs to the end of the text.
qsizetype HtmlMarkupLengthAt(QStringView text, qsizetype pos);

// The lower-case name of the tag that markup (as HtmlMarkupLengthAt measures it) opens or
// closes; empty for a comment, a declaration or a processing instruction.
QString HtmlTagName(QStringView markup);

// Tells for positions in ascending order whether they lie in text or in markup, reading the
// page once from its start.
class HtmlTextTracker {
public:
    explicit HtmlTextTracker(QStringView text) : m_text(text) {}

    // pos: not below the one of the call before.
    bool IsText(qsizetype pos);

private:
    QStringView m_text;
    qsizetype m_next = 0; // the first position not yet read
    qsizetype m_markupStart = 0;
    qsizetype m_markupEnd = 0;
};
