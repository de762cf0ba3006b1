#include "mailing/PdfCompleteness.h"

#include "LogPrintTestSupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// A small PDF whose startxref points at its table (offset 30 = the length of the lines above it).
const QByteArray kBody = "%PDF-1.4\n1 0 obj\n<< >>\nendobj\n";
const QByteArray kTail = "xref\n0 2\n0000000000 65535 f \n0000000009 00000 n \ntrailer\n<< /Size 2 >>\n"
                         "startxref\n30\n%%EOF\n";

TEST(PdfCompleteness, OnlyAFileWrittenToItsEndCounts)
{
    ASSERT_EQ(kBody.size(), 30);
    const struct {
        const char* name;
        QByteArray bytes;
        bool complete;
    } cases[] = {
        {"whole", kBody + kTail, true},
        {"whole, no final line break", kBody + kTail.chopped(1), true},
        {"cross-reference stream",
         "%PDF-1.5\n3 0 obj\n<< /Type /XRef >>\nstream\nendstream\nendobj\n"
         "startxref\n9\n%%EOF\n",
         true},
        {"cut before the trailer", kBody + kTail.left(20), false},
        {"cut inside %%EOF", QByteArray(kBody + kTail).chopped(3), false},
        {"bytes lost in the middle", kBody.mid(0, 12) + kBody.mid(16) + kTail, false},
        {"empty", {}, false},
        {"no PDF", "%!PS-Adobe\n" + kTail, false},
    };
    QTemporaryDir dir;
    for (const auto& c : cases) {
        const QString path = dir.filePath(QStringLiteral("f.pdf"));
        WriteBytes(path, c.bytes);
        EXPECT_EQ(IsCompletePdf(path), c.complete) << c.name;
    }
    EXPECT_FALSE(IsCompletePdf(dir.filePath(QStringLiteral("missing.pdf"))));
}

} // namespace
