#pragma once

#include "mail/MailMessage.h"
#include "mail/RecipientList.h"
#include "mail/UniqueIdSource.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>

#include <gtest/gtest.h>

// GUIDs 00000000-0000-0000-0000-000000000001, ...2, ... and a fixed host name.
class TSequenceIds final : public TUniqueIdSource {
public:
    explicit TSequenceIds(QString host = QStringLiteral("testhost")) : m_host(std::move(host)) {}
    QString NewGuid() override;
    QString HostName() const override { return m_host; }

private:
    QString m_host;
    int m_next = 0;
};

// The mail as a session puts it on the wire before dot-stuffing, with From:, To: and Subject:
// in front of the generator's header lines.
QByteArray RenderMail(const TMailMessage& msg);

QString MailingFixture(const QString& name);

// Compares with tests/fixtures/mail/golden/<name>; KUB_UPDATE_GOLDEN=1 rewrites the file.
::testing::AssertionResult MatchesGolden(const QString& name, const QByteArray& bytes);

// The picture parts the MIME checker expects of a mail made from the sample Monatsbrief.html in
// the folder: one per picture reference, so the separator, which stands twice, comes twice.
QJsonArray MonatsbriefImages(const QString& templateFolder);

// A recipient of a template test with the fields a newsletter shows.
struct TestReader {
    QString email, anrede, titel, vorname, name, firma, strasse, plz, ort, bformel;
};
TRecipientEntry RecipientEntryOf(const TestReader& reader);

// A mail's HTML page as comparable with the page it was made from: the pictures' "src" values
// become "?", so does the declared charset, and the lines end in LF without trailing ones.
QString ComparableMailPage(QString page);

// Runs the independent MIME checker over a mail with the given expectations.
::testing::AssertionResult PassesMimeCheck(const QByteArray& mail, const QJsonObject& expect);
