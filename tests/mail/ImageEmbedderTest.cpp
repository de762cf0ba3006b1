#include "mail/ImageEmbedder.h"

#include "MailTestSupport.h"

#include <QByteArrayList>
#include <QDir>
#include <QFile>
#include <QStringBuilder>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <thread>

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

class ImageFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        for (const char* name : {"logo.gif", "mit blank.png", "files/logo.gif", "Bilder/Kopf.JPG", "news_kopf.gif",
                                 "http_logo.gif", "file.gif", "geheim.key", "ohne"})
            writeFile(path(QString::fromUtf8(name)), QByteArray("bytes of ") + name);
    }
    QString path(const QString& name) const { return m_dir.path() + QLatin1Char('/') + name; }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(ImageFolder, RewritesLocalPictureReferencesAsTable)
{
    const QString abs = path(QStringLiteral("logo.gif"));
    const QString fileUrl = QStringLiteral("file://") + abs;
    const struct {
        QString tag;
        QString rewritten; // with ID for the new content id; empty when unchanged
        QString file;      // the file embedded
    } cases[] = {
        {QStringLiteral("<img src=\"logo.gif\" alt=\"x\">"), QStringLiteral("<img src=\"cid:ID\" alt=\"x\">"),
         QStringLiteral("logo.gif")},
        {QStringLiteral("<IMG SRC='logo.gif'>"), QStringLiteral("<IMG SRC='cid:ID'>"), QStringLiteral("logo.gif")},
        // Unquoted or unclosed values come back quoted, so "/>" ends the tag, not the value.
        {QStringLiteral("<img src=logo.gif>"), QStringLiteral("<img src=\"cid:ID\">"), QStringLiteral("logo.gif")},
        {QStringLiteral("<img src=logo.gif/>"), QStringLiteral("<img src=\"cid:ID\"/>"), QStringLiteral("logo.gif")},
        {QStringLiteral("<img src=logo.gif width=3>"), QStringLiteral("<img src=\"cid:ID\" width=3>"),
         QStringLiteral("logo.gif")},
        {QStringLiteral("<img src=logo.gif\twidth=3>"), QStringLiteral("<img src=\"cid:ID\"\twidth=3>"),
         QStringLiteral("logo.gif")},
        {QStringLiteral("<img src=\"logo.gif>"), QStringLiteral("<img src=\"cid:ID\">"), QStringLiteral("logo.gif")},
        {QStringLiteral("<img src='logo.gif>"), QStringLiteral("<img src='cid:ID'>"), QStringLiteral("logo.gif")},
        {QStringLiteral("<body background=logo.gif>"), QStringLiteral("<body background=\"cid:ID\">"),
         QStringLiteral("logo.gif")},
        {QStringLiteral("<img src=\"mit%20blank.png\">"), QStringLiteral("<img src=\"cid:ID\">"),
         QStringLiteral("mit blank.png")},
        {QStringLiteral("<img src=\"files/logo.gif\">"), QStringLiteral("<img src=\"cid:ID\">"),
         QStringLiteral("files/logo.gif")},
        {QStringLiteral("<img src=\"files\\logo.gif\">"), QStringLiteral("<img src=\"cid:ID\">"),
         QStringLiteral("files/logo.gif")},
        {QStringLiteral("<img src=\"bilder/kopf.jpg\">"), QStringLiteral("<img src=\"cid:ID\">"),
         QStringLiteral("Bilder/Kopf.JPG")},
        {QStringLiteral("<img src=\"") + abs + QStringLiteral("\">"), QStringLiteral("<img src=\"cid:ID\">"),
         QStringLiteral("logo.gif")},
        {QStringLiteral("<img src=\"") + fileUrl + QStringLiteral("\">"), QStringLiteral("<img src=\"cid:ID\">"),
         QStringLiteral("logo.gif")},
        {QStringLiteral("<img src=\"news_kopf.gif\">"), QStringLiteral("<img src=\"cid:ID\">"),
         QStringLiteral("news_kopf.gif")},
        {QStringLiteral("<img src=\"http_logo.gif\">"), QStringLiteral("<img src=\"cid:ID\">"),
         QStringLiteral("http_logo.gif")},
        {QStringLiteral("<img src=\"file.gif\">"), QStringLiteral("<img src=\"cid:ID\">"), QStringLiteral("file.gif")},
        {QStringLiteral("<body bgcolor=\"#fff\" background=\"logo.gif\">"),
         QStringLiteral("<body bgcolor=\"#fff\" background=\"cid:ID\">"), QStringLiteral("logo.gif")},
        {QStringLiteral("<BODY BACKGROUND=\"logo.gif\">"), QStringLiteral("<BODY BACKGROUND=\"cid:ID\">"),
         QStringLiteral("logo.gif")},
        // Left alone: web addresses, other schemes, missing files, files that are no pictures.
        {QStringLiteral("<img src=\"http://kub.de/logo.gif\">"), {}, {}},
        {QStringLiteral("<img src=\"https://kub.de/logo.gif\">"), {}, {}},
        {QStringLiteral("<img src=\"cid:abc@host\">"), {}, {}},
        {QStringLiteral("<img src=\"data:image/gif;base64,R0lG\">"), {}, {}},
        {QStringLiteral("<img src=\"news:logo.gif\">"), {}, {}},
        {QStringLiteral("<img src=\"fehlt.gif\">"), {}, {}},
        {QStringLiteral("<img src=\"geheim.key\">"), {}, {}},
        {QStringLiteral("<img src=\"") + path(QStringLiteral("geheim.key")) + QStringLiteral("\">"), {}, {}},
        {QStringLiteral("<img src=\"ohne\">"), {}, {}},
        {QStringLiteral("<div class=\"img\">"), {}, {}},
        {QStringLiteral("<img alt=\"logo.gif\">"), {}, {}},
        {QStringLiteral("<body imgx background=\"logo.gif\">"), {}, {}},
        {QStringLiteral("<p background=\"logo.gif\">"), {}, {}},
    };
    for (const auto& c : cases) {
        TSequenceIds ids;
        TImageEmbedder embedder(m_dir.path(), ids);
        const std::optional<QString> result = embedder.RewriteImageTag(c.tag);
        ASSERT_TRUE(result.has_value()) << c.tag.toStdString();
        if (c.rewritten.isEmpty()) {
            EXPECT_EQ(*result, c.tag);
            EXPECT_TRUE(embedder.Images().isEmpty()) << c.tag.toStdString();
            continue;
        }
        ASSERT_EQ(embedder.Images().size(), 1) << c.tag.toStdString();
        const TMessagePartImage& image = embedder.Images().first();
        EXPECT_EQ(*result, QString(c.rewritten).replace(QLatin1String("ID"), image.ContentID));
        QFile file(path(c.file));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_TRUE(image.Lines.contains(file.readAll().toBase64().left(76))) << c.tag.toStdString();
    }
}

TEST_F(ImageFolder, BuildsOnePartPerReference)
{
    TSequenceIds ids(QStringLiteral("my_host!"));
    TImageEmbedder embedder(m_dir.path(), ids);
    QString html =
        QStringLiteral("<p>a<img src=\"logo.gif\"> b <img src=logo.gif> <a href=x>l</a>\r\n<img src=\"fehlt.gif\"><");
    ASSERT_TRUE(embedder.EmbedImages(html));
    ASSERT_EQ(embedder.Images().size(), 2);
    const TMessagePartImage& first = embedder.Images()[0];
    EXPECT_EQ(first.ContentID, QStringLiteral("00000000-0000-0000-0000-000000000001@myhost"));
    EXPECT_EQ(html, QStringLiteral("<p>a<img src=\"cid:00000000-0000-0000-0000-000000000001@myhost\"> b "
                                   "<img src=\"cid:00000000-0000-0000-0000-000000000002@myhost\"> <a href=x>l</a>\r\n"
                                   "<img src=\"fehlt.gif\"><"));
    EXPECT_EQ(first.Lines, QByteArray("content-type: image/gif;\r\n  name=\"logo.gif\"\r\n"
                                      "content-transfer-encoding: base64\r\n"
                                      "content-id: <00000000-0000-0000-0000-000000000001@myhost>\r\n\r\n"
                                      "Ynl0ZXMgb2YgbG9nby5naWY=\r\n\r\n"));
}

TEST_F(ImageFolder, WritesSafeNamesAndTypes)
{
    const struct {
        QString name;
        QByteArray type;
        QByteArray parameter;
    } cases[] = {
        {QStringLiteral("Kopf.JPE"), "image/jpeg", "  name=\"Kopf.JPE\""},
        {QStringLiteral("a\"b\\c.png"), "image/png", "  name=\"a\\\"b\\\\c.png\""},
        {QStringLiteral("Grüße.gif"), "image/gif", "  name*=utf-8''Gr%C3%BC%C3%9Fe.gif"},
        {QStringLiteral("zeile\nbruch.svg"), "image/svg+xml", "  name*=utf-8''zeile%0Abruch.svg"},
    };
    for (const auto& c : cases) {
        writeFile(path(c.name), "x");
        EXPECT_EQ(TMessagePartImage::ImageTypeOf(path(c.name)), c.type);
        TSequenceIds ids;
        QString error;
        const std::optional<TMessagePartImage> part = TMessagePartImage::Create(path(c.name), c.type, ids, &error);
        ASSERT_TRUE(part.has_value()) << error.toStdString();
        const QList<QByteArray> lines = part->Lines.split('\n');
        EXPECT_EQ(lines[0], "content-type: " + c.type + ";\r");
        EXPECT_EQ(lines[1], c.parameter + '\r');
    }
}

TEST_F(ImageFolder, KnowsPicturesWithoutAKnownExtensionByTheirFirstBytes)
{
    const auto bytes = [](std::initializer_list<int> values) -> QByteArray {
        QByteArray head;
        for (const int v : values)
            head.append(static_cast<char>(v));
        return head + QByteArray(40, '\x7F');
    };
    const QByteArray bmpHead = QByteArray("BM") + QByteArray(12, '\0') + QByteArray("\x28\0\0\0", 4);
    const struct {
        const char* name;
        QByteArray head;
        QByteArray type; // empty: not embedded
    } cases[] = {
        {"linie", "GIF89a\x01\0\x01\0", "image/gif"},
        {"alt.dat", "GIF87a\x01\0", "image/gif"},
        {"kopf", bytes({0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}), "image/png"},
        {"foto.bild", bytes({0xFF, 0xD8, 0xFF, 0xE0}), "image/jpeg"},
        {"karte", bmpHead, "image/bmp"},
        {"neu", QByteArray("RIFF\x10\0\0\0WEBPVP8 ", 16), "image/webp"},
        {"scan", QByteArray("II*\0\x08\0\0\0", 8), "image/tiff"},
        {"scan2", QByteArray("MM\0*\0\0\0\x08", 8), "image/tiff"},
        {"symbol", bytes({0, 0, 1, 0, 1, 0, 16, 16, 0, 0, 1, 0}), "image/x-icon"},
        // Text, and headers that only begin like a picture.
        {"brief", "Sehr geehrte Damen und Herren", {}},
        {"bmw.txt", "BMW Niederlassung Nord, Zeile zwei", {}},
        {"GIF", "GIF", {}},
        {"riff", QByteArray("RIFF\x10\0\0\0WAVE", 12), {}},
        {"leer", {}, {}},
        {"nullen", QByteArray(64, '\0'), {}},
    };
    for (const auto& c : cases) {
        writeFile(path(QLatin1String(c.name)), c.head);
        TSequenceIds ids;
        TImageEmbedder embedder(m_dir.path(), ids);
        const QString tag = QStringLiteral("<img src=\"%1\">").arg(QLatin1String(c.name));
        const std::optional<QString> result = embedder.RewriteImageTag(tag);
        ASSERT_TRUE(result.has_value()) << c.name;
        if (c.type.isEmpty()) {
            EXPECT_EQ(*result, tag) << c.name;
            EXPECT_TRUE(embedder.Images().isEmpty()) << c.name;
            continue;
        }
        ASSERT_EQ(embedder.Images().size(), 1) << c.name;
        EXPECT_EQ(embedder.Images()[0].MimeType, c.type) << c.name;
        EXPECT_TRUE(embedder.Images()[0].Lines.startsWith(QByteArray("content-type: " + c.type + ";\r\n"))) << c.name;
    }
}

TEST_F(ImageFolder, UnreadablePictureFailsAndLeavesTheHtml)
{
    const QString locked = path(QStringLiteral("gesperrt.gif"));
    writeFile(locked, "x");
    QFile::setPermissions(locked, QFileDevice::Permissions());
    QFile probe(locked);
    if (probe.open(QIODevice::ReadOnly))
        GTEST_SKIP() << "running with rights that read any file";
    TSequenceIds ids;
    TImageEmbedder embedder(m_dir.path(), ids);
    QString html = QStringLiteral("<img src=\"logo.gif\"><img src=\"gesperrt.gif\">");
    const QString before = html;
    EXPECT_FALSE(embedder.EmbedImages(html));
    EXPECT_EQ(html, before);
    EXPECT_TRUE(embedder.ErrorText().contains(QLatin1String("gesperrt.gif")));
    EXPECT_TRUE(embedder.Images().isEmpty());
}

TEST(ImageEmbedder, TwoRunsPreparingAtOnceEachUseTheirOwnFolder)
{
    QTemporaryDir first, second;
    writeFile(first.filePath(QStringLiteral("logo.gif")), QByteArray(3000, 'A'));
    writeFile(second.filePath(QStringLiteral("logo.gif")), QByteArray(3000, 'B'));
    const QString cwd = QDir::currentPath();
    auto embedMany = [](QString folder, QByteArray expected, bool* allRight) {
        for (int i = 0; i < 200 && *allRight; ++i) {
            TSequenceIds ids;
            TImageEmbedder embedder(folder, ids);
            QString html = QStringLiteral("<img src=\"logo.gif\">");
            *allRight = embedder.EmbedImages(html) && embedder.Images().size() == 1 &&
                        embedder.Images()[0].Lines.contains(expected.toBase64().left(76));
        }
    };
    bool firstRight = true, secondRight = true;
    std::thread a(embedMany, first.path(), QByteArray(3000, 'A'), &firstRight);
    std::thread b(embedMany, second.path(), QByteArray(3000, 'B'), &secondRight);
    a.join();
    b.join();
    EXPECT_TRUE(firstRight);
    EXPECT_TRUE(secondRight);
    EXPECT_EQ(QDir::currentPath(), cwd);
}

TEST(ImageEmbedder, PercentDecodingIsOnePass)
{
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"mit%20blank.gif", "mit blank.gif"},
        {"%2541.gif", "%41.gif"},
        {"100%.gif", "100%.gif"},
        {"a%2.gif", "a%2.gif"},
        {"ende%4", "ende%4"},
        {"%C3%BCber.gif", "über.gif"},
        {"%FCber.gif", "über.gif"},
        {"%zz%41", "%zzA"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PercentDecode(QString::fromUtf8(c.in)), QString::fromUtf8(c.out)) << c.in;
}
