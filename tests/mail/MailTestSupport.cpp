#include "MailTestSupport.h"

#include "mail/HeaderEncoding.h"

#include <QByteArrayList>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QStringBuilder>
#include <QTemporaryDir>

QString TSequenceIds::NewGuid()
{
    return QStringLiteral("00000000-0000-0000-0000-%1").arg(++m_next, 12, 10, QLatin1Char('0'));
}

QByteArray RenderMail(const TMailMessage& msg)
{
    QByteArray mail = "From: <" + msg.From.toUtf8() + ">\r\nTo: <" + msg.Recipient.toUtf8() +
                      ">\r\nSubject: " + EncodeHeaderText(msg.Subject) + "\r\n";
    for (const QByteArray& line : msg.HeaderLines)
        mail += line + "\r\n";
    mail += "\r\n";
    for (const QByteArray& chunk : msg.Body)
        mail += chunk;
    return mail;
}

TRecipientEntry RecipientEntryOf(const TestReader& reader)
{
    TRecipientEntry entry;
    const auto set = [&entry](RecipientField field, const QString& value) {
        entry.Values[static_cast<size_t>(field)] = value;
    };
    set(RecipientField::Email, reader.email);
    set(RecipientField::Anrede, reader.anrede);
    set(RecipientField::Titel, reader.titel);
    set(RecipientField::Vorname, reader.vorname);
    set(RecipientField::Name, reader.name);
    set(RecipientField::Firma, reader.firma);
    set(RecipientField::Strasse, reader.strasse);
    set(RecipientField::PLZ, reader.plz);
    set(RecipientField::Ort, reader.ort);
    set(RecipientField::BFormel, reader.bformel);
    return entry;
}

QString ComparableMailPage(QString page)
{
    static const QRegularExpression picture(QStringLiteral(R"(src="[^"]*")"));
    static const QRegularExpression charset(QStringLiteral("charset=[A-Za-z0-9_-]+"));
    page.replace(picture, QStringLiteral(R"(src="?")"));
    page.replace(charset, QStringLiteral("charset=?"));
    page.remove(QLatin1Char('\r'));
    while (page.endsWith(QLatin1Char('\n')))
        page.chop(1);
    return page;
}

QString MailingFixture(const QString& name)
{
    return QStringLiteral(KUB_TEST_FIXTURES) + QStringLiteral("/mail/") + name;
}

::testing::AssertionResult MatchesGolden(const QString& name, const QByteArray& bytes)
{
    const QString path = MailingFixture(QStringLiteral("golden/") + name);
    if (qEnvironmentVariableIntValue("KUB_UPDATE_GOLDEN") == 1) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size())
            return ::testing::AssertionFailure() << "cannot write " << path.toStdString();
        return ::testing::AssertionSuccess();
    }
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        return ::testing::AssertionFailure() << "no golden file " << path.toStdString();
    const QByteArray golden = in.readAll();
    if (golden == bytes)
        return ::testing::AssertionSuccess();
    qsizetype at = 0;
    while (at < golden.size() && at < bytes.size() && golden[at] == bytes[at])
        ++at;
    return ::testing::AssertionFailure() << name.toStdString() << " differs at byte " << at << ":\n"
                                         << bytes.mid(qMax<qsizetype>(0, at - 80), 200).toStdString();
}

::testing::AssertionResult PassesMimeCheck(const QByteArray& mail, const QJsonObject& expect)
{
    QTemporaryDir dir;
    QFile mailFile(dir.filePath(QStringLiteral("mail.eml")));
    QFile expectFile(dir.filePath(QStringLiteral("expect.json")));
    if (!mailFile.open(QIODevice::WriteOnly) || !expectFile.open(QIODevice::WriteOnly))
        return ::testing::AssertionFailure() << "cannot write the checker's input";
    mailFile.write(mail);
    expectFile.write(QJsonDocument(expect).toJson());
    mailFile.close();
    expectFile.close();

    QProcess checker;
    checker.setProcessChannelMode(QProcess::MergedChannels);
    checker.start(QStringLiteral("/usr/bin/python3"),
                  {QStringLiteral(KUB_TEST_TOOLS) + QStringLiteral("/mime_check.py"), mailFile.fileName(),
                   expectFile.fileName()});
    if (!checker.waitForFinished(60000))
        return ::testing::AssertionFailure() << "the MIME checker did not finish";
    const QByteArray output = checker.readAll();
    if (checker.exitStatus() == QProcess::NormalExit && checker.exitCode() == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "MIME checker: " << output.toStdString();
}

QJsonArray MonatsbriefImages(const QString& templateFolder)
{
    const auto picture = [&templateFolder](const QString& name) {
        return QJsonObject{{QStringLiteral("path"), QString(templateFolder + QStringLiteral("/Bilder/") + name)},
                           {QStringLiteral("name"), name}};
    };
    const QJsonObject separator = picture(QStringLiteral("trenner.gif"));
    return QJsonArray{picture(QStringLiteral("logo.png")), separator, separator};
}
