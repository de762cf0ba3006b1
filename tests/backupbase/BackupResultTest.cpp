#include "backup/BackupResult.h"

#include "platform/ZipEngine.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>
#include <zip.h>

namespace {

// What the engine reports becomes the box the user reads: our own German text where we know the
// cause, the engine's code and text otherwise, nothing for a cancel.
TEST(BackupResultTest, EngineMessagesGiveTheirBoxes)
{
    struct Case {
        int code;
        BackupBoxIcon icon;
        QString text;
    };
    const QList<Case> cases{
        {TZipEngine::kCancelledCode, BackupBoxIcon::None, QString()},
        {TZipEngine::kDamagedCode, BackupBoxIcon::Error,
         QStringLiteral("Die Datensicherung ist beschädigt und kann nicht eingespielt werden.\r\n\r\n"
                        "Adressen.ADT: more data than declared")},
        {TZipEngine::kDiskFullCode, BackupBoxIcon::Error,
         QStringLiteral("Auf dem Datenträger ist nicht genug Platz für die Dateien der Datensicherung.\r\n\r\n"
                        "Bitte schaffen Sie Platz und versuchen Sie es erneut.\r\n\r\n"
                        "Adressen.ADT: more data than declared")},
        {TZipEngine::kDuplicateNameCode, BackupBoxIcon::Error,
         QStringLiteral("Die Datensicherung ist beschädigt und kann nicht eingespielt werden.\r\n\r\n"
                        "Adressen.ADT: more data than declared: Ein Dateiname kommt darin zweimal vor.")},
        {ZIP_ER_CRC, BackupBoxIcon::Error,
         QStringLiteral("Die Datensicherung ist beschädigt und kann nicht eingespielt werden.\r\n\r\n"
                        "Adressen.ADT: more data than declared")},
        {ZIP_ER_NOZIP, BackupBoxIcon::Error,
         QStringLiteral("Die Datensicherung ist beschädigt und kann nicht eingespielt werden.\r\n\r\n"
                        "Adressen.ADT: more data than declared")},
        {TZipEngine::kMemberMissingCode, BackupBoxIcon::Error,
         QStringLiteral("Die Sicherungsdatei enthält keine gültige Datenbank!\r\n\r\n"
                        "Die Datei \"Adressen.ADT: more data than declared\" fehlt darin.")},
        {ZIP_ER_MEMORY, BackupBoxIcon::Warning,
         QStringLiteral("Fehlercode: 14  Adressen.ADT: more data than declared")},
    };
    for (const Case& c : cases) {
        const BackupBox box = BackupResultBox(ZipEngineResult(c.code, QStringLiteral("Adressen.ADT: more data than "
                                                                                     "declared")));
        EXPECT_EQ(box.icon, c.icon) << c.code;
        EXPECT_EQ(box.text, c.text) << c.code;
    }
}

TEST(BackupResultTest, DetailsFillTheTextInOrder)
{
    const BackupBox box =
        BackupResultBox({BackupOutcome::ForeignFiles, {QStringLiteral("/d/Datenbank"), QStringLiteral("a.txt, b")}});
    EXPECT_EQ(box.icon, BackupBoxIcon::Error);
    EXPECT_EQ(box.text, QStringLiteral("Das Datenbankverzeichnis \"/d/Datenbank\" enthält Dateien, die nicht zur "
                                       "Datenbank gehören:\r\n\r\na.txt, b\r\n\r\nBitte entfernen Sie diese, bevor "
                                       "Sie eine Sicherung einspielen."));
}

} // namespace
