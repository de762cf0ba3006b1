#include "core/SettingsStore.h"

#include "core/Records.h"
#include "desktop/MessageBoxes.h"
#include "support/TestEnvironment.h"

#include <functional>
#include <gtest/gtest.h>

namespace {

enum class State { KeyMissing, ValueMissing, WrongType, Valid };

struct RoutineCase {
    const char* name;
    // The value lines that make the routine's value valid and of the wrong type.
    QString validLine;
    QString wrongLine;
    bool databaseKey;
    // Runs the routine and returns its result as text.
    std::function<QString()> run;
    QString validResult;
    QString neutralResult; // after a failure and for a missing value
    QString keyMessage;
    QString wrongTypeMessage;
    bool resetsCursor;
};

QString boolText(bool b)
{
    return b ? QStringLiteral("true") : QStringLiteral("false");
}

const QString kSettings = QStringLiteral("Registrierungeinträge für Einstellungen fehlerhaft!");
const QString kFolders = QStringLiteral("Registrierungeinträge für Verzeichniseinstellung fehlerhaft!");
const QString kAccess = QStringLiteral("Fehler beim Zugriff auf die Registrierungsdatenbank!");
const QString kDatabase = QStringLiteral("Werte für den Datenbankzugriff konnten nicht gelesen werden!");

QString wrongType(const char* number, const char* value)
{
    return QString::fromLatin1(number) + QStringLiteral("Ungültiger Datentyp für '") + QString::fromLatin1(value) +
           u'\'';
}

QList<RoutineCase> readerCases()
{
    return {
        {"ReadDBPath", QStringLiteral("\"DBPath\"=\"/db\""), QStringLiteral("\"DBPath\"=dword:00000001"), true,
         []() -> QString {
             bool failed = false;
             QString path = QStringLiteral("untouched");
             ReadDBPath(failed, path);
             return boolText(failed) + u' ' + path;
         },
         QStringLiteral("false /db"), QStringLiteral("true untouched"), kDatabase, wrongType("#43 ", "DBPath"), true},
        {"ReadImportPath", QStringLiteral("\"ImportPath\"=\"/imp\""), QStringLiteral("\"ImportPath\"=dword:00000001"),
         false, []() -> QString { return ReadImportPath(); }, QStringLiteral("/imp"), QString(), kFolders,
         wrongType("#129 ", "ImportPath"), true},
        {"ReadTemplatePath", QStringLiteral("\"TemplatePath\"=\"/tpl\""),
         QStringLiteral("\"TemplatePath\"=dword:00000001"), false, []() -> QString { return ReadTemplatePath(); },
         QStringLiteral("/tpl"), QString(), kFolders, wrongType("#164 ", "TemplatePath"), true},
        {"ReadDialUp", QStringLiteral("\"DFUE\"=dword:00000000"), QStringLiteral("\"DFUE\"=\"0\""), false,
         []() -> QString { return boolText(ReadDialUp()); }, QStringLiteral("true"), QStringLiteral("false"),
         QStringLiteral("Registrierungeinträge für Verbindungseinstellung fehlerhaft!"), wrongType("#168 ", "DFUE"),
         true},
        {"ReadVersion", QStringLiteral("\"Ver\"=\"1.2\""), QStringLiteral("\"Ver\"=dword:00000001"), false,
         []() -> QString { return ReadVersion(); }, QStringLiteral("1.2"), QString(), kAccess,
         wrongType("#368 ", "Ver"), true},
        {"ReadMailsPerConnection", QStringLiteral("\"MAO\"=dword:00000007"), QStringLiteral("\"MAO\"=\"7\""), false,
         []() -> QString { return QString::number(ReadMailsPerConnection()); }, QStringLiteral("7"),
         QStringLiteral("0"), kAccess, QStringLiteral("ERegistryException: Ungültiger Datentyp für 'MAO'"), false},
        {"LoadOptions",
         QStringLiteral("\"ImportPath\"=\"/i\"\n\"TemplatePath\"=\"/t\"\n\"DFUE\"=dword:00000001\n"
                        "\"MAO\"=dword:00000005"),
         QStringLiteral("\"DFUE\"=\"1\""), false,
         []() -> QString {
             TOptionData data;
             const bool ok = LoadOptions(data);
             return boolText(ok) + u' ' + boolText(data.DialUp) + u' ' + data.ImportPath + u' ' + data.TemplatePath +
                    u' ' + QString::number(data.MailsPerConnection);
         },
         QStringLiteral("true false /i /t 5"), QStringLiteral("false true   0"), kSettings, wrongType("#94 ", "DFUE"),
         true},
    };
}

void prepare(const TestEnvironment& env, const RoutineCase& c, State state)
{
    const QString line = state == State::Valid ? c.validLine : state == State::WrongType ? c.wrongLine : QString();
    switch (state) {
    case State::KeyMissing:
        env.writeRegistry(c.databaseKey ? QStringLiteral("[HKEY_LOCAL_MACHINE\\Software\\KUB\\News]\n")
                                        : QStringLiteral("[HKEY_LOCAL_MACHINE\\Software\\Other]\n"));
        break;
    default:
        env.writeStandardRegistry(c.databaseKey ? QString() : line, c.databaseKey ? line : QString());
        break;
    }
}

TEST(SettingsStore, ReadersOverKeyAndValueStates)
{
    for (const RoutineCase& c : readerCases()) {
        for (State state : {State::KeyMissing, State::ValueMissing, State::WrongType, State::Valid}) {
            SCOPED_TRACE(std::string(c.name) + " state " + std::to_string(static_cast<int>(state)));
            TestEnvironment env;
            prepare(env, c, state);
            MessageBoxRecorder boxes;
            ScreenCursor::set(CursorShape::Hourglass);
            const QString result = c.run();
            const CursorShape after = ScreenCursor::current();
            ScreenCursor::set(CursorShape::Default);

            QStringList expectedTexts;
            QString expectedResult = c.neutralResult;
            bool cursorReset = false;
            switch (state) {
            case State::KeyMissing:
                expectedTexts = {c.keyMessage};
                cursorReset = c.resetsCursor;
                break;
            case State::ValueMissing:
                if (c.databaseKey)
                    expectedTexts = {c.keyMessage}; // shown without resetting the cursor
                if (QString::fromLatin1(c.name) == QStringLiteral("LoadOptions"))
                    expectedResult = QStringLiteral("true true   0");
                break;
            case State::WrongType:
                expectedTexts = {c.wrongTypeMessage};
                cursorReset = c.resetsCursor;
                break;
            case State::Valid:
                expectedResult = c.validResult;
                break;
            }
            if (state == State::KeyMissing && QString::fromLatin1(c.name) == QStringLiteral("LoadOptions"))
                expectedResult = QStringLiteral("false true   0");
            EXPECT_EQ(result, expectedResult);
            EXPECT_EQ(boxes.texts(), expectedTexts);
            for (const auto& box : boxes.boxes())
                EXPECT_EQ(box.icon, MsgIcon::Error);
            EXPECT_EQ(after, cursorReset ? CursorShape::Default : CursorShape::Hourglass);
        }
    }
}

TEST(SettingsStore, TheTwoDialUpReadersDifferOnlyWhileTheValueIsMissing)
{
    const struct {
        QString line;
        bool loadOptions;
        bool readDialUp;
    } cases[] = {
        {QString(), true, false},
        {QStringLiteral("\"DFUE\"=dword:00000000"), true, true},
        {QStringLiteral("\"DFUE\"=dword:00000001"), false, false},
        {QStringLiteral("\"DFUE\"=dword:00000002"), false, false},
    };
    for (const auto& c : cases) {
        TestEnvironment env;
        env.writeStandardRegistry(c.line);
        MessageBoxRecorder boxes;
        TOptionData data;
        EXPECT_TRUE(LoadOptions(data));
        EXPECT_EQ(data.DialUp, c.loadOptions) << c.line.toStdString();
        EXPECT_EQ(ReadDialUp(), c.readDialUp) << c.line.toStdString();
        EXPECT_TRUE(boxes.boxes().isEmpty());
    }
}

TEST(SettingsStore, WritersStoreAndReportMissingKeys)
{
    {
        TestEnvironment env;
        env.writeStandardRegistry();
        MessageBoxRecorder boxes;
        TOptionData data;
        data.DialUp = false;
        data.ImportPath = QStringLiteral("/imp ä");
        data.TemplatePath = QStringLiteral("/tpl");
        data.MailsPerConnection = 25;
        EXPECT_TRUE(SaveOptions(data));
        WriteVersion(QStringLiteral("1.2"));
        TOptionData back;
        EXPECT_TRUE(LoadOptions(back));
        EXPECT_FALSE(back.DialUp);
        EXPECT_EQ(back.ImportPath, data.ImportPath);
        EXPECT_EQ(back.TemplatePath, data.TemplatePath);
        EXPECT_EQ(back.MailsPerConnection, 25);
        EXPECT_EQ(ReadVersion(), QStringLiteral("1.2"));
        EXPECT_TRUE(env.readRegistry().contains(QStringLiteral("\"DFUE\"=dword:00000001")));
        EXPECT_TRUE(boxes.boxes().isEmpty());
    }
    {
        TestEnvironment env;
        env.writeRegistry(QStringLiteral("[HKEY_LOCAL_MACHINE\\Software\\Elsewhere]\n"));
        MessageBoxRecorder boxes;
        EXPECT_FALSE(SaveOptions(TOptionData()));
        WriteVersion(QStringLiteral("1.2"));
        WriteMailsPerConnection(3);
        EXPECT_EQ(boxes.texts(), (QStringList{kSettings, kAccess, kAccess}));
        EXPECT_FALSE(env.readRegistry().contains(QStringLiteral("KUB")));
    }
}

} // namespace
