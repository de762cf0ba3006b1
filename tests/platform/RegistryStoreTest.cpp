#include "platform/RegistryStore.h"

#include "platform/RegistryFile.h"
#include "support/FileModes.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

const QString kSample = QStringLiteral("Windows Registry Editor Version 5.00\n\n"
                                       "[HKEY_LOCAL_MACHINE\\Software\\KUB\\News]\n"
                                       "\"ImportPath\"=\"C:\\\\Import \\\"alt\\\"\"\n"
                                       "\"MAO\"=dword:0000000a\n"
                                       "\"Blob\"=hex:01,02\n"
                                       "\n"
                                       "[HKEY_LOCAL_MACHINE\\Software\\KUB\\News\\Database]\n"
                                       "\"DBPath\"=\"/data/Datenbank\"\n");

TEST(RegistryStore, ReadsTypedValuesWithoutRegardToCase)
{
    TestEnvironment env;
    env.writeRegistry(kSample);
    RegistryStore registry;
    ASSERT_TRUE(registry.openKey(QStringLiteral("software\\kub\\NEWS"), false));
    EXPECT_TRUE(registry.valueExists(QStringLiteral("importpath")));
    EXPECT_EQ(registry.readString(QStringLiteral("ImportPath")), QStringLiteral("C:\\Import \"alt\""));
    EXPECT_EQ(registry.readInteger(QStringLiteral("mao")), 10);
    EXPECT_FALSE(registry.valueExists(QStringLiteral("DBPath")));
    EXPECT_EQ(registry.readString(QStringLiteral("Missing")), QString());
}

TEST(RegistryStore, WrongTypesRaiseTheRegistryError)
{
    TestEnvironment env;
    env.writeRegistry(kSample);
    RegistryStore registry;
    ASSERT_TRUE(registry.openKey(QStringLiteral("Software\\KUB\\News"), false));
    const QString names[] = {QStringLiteral("MAO"), QStringLiteral("Blob")};
    for (const QString& name : names) {
        try {
            registry.readString(name);
            ADD_FAILURE() << name.toStdString();
        } catch (const ERegistryException& e) {
            EXPECT_EQ(e.message(), QStringLiteral("Ungültiger Datentyp für '%1'").arg(name));
        }
    }
    EXPECT_THROW(registry.readInteger(QStringLiteral("ImportPath")), ERegistryException);
    EXPECT_THROW(registry.readInteger(QStringLiteral("Missing")), ERegistryException);
}

TEST(RegistryStore, KeysAreOpenedNotCreated)
{
    TestEnvironment env;
    RegistryStore registry;
    EXPECT_FALSE(registry.openKey(QStringLiteral("Software\\KUB\\News"), false));
    EXPECT_TRUE(env.readRegistry().isEmpty()); // no file was written
    env.writeRegistry(kSample);
    EXPECT_FALSE(registry.openKey(QStringLiteral("Software\\KUB\\Other"), false));
    EXPECT_TRUE(registry.openKey(QStringLiteral("Software\\KUB"), false)); // a parent of existing keys
    registry.setRoot(RegistryRoot::CurrentUser);
    EXPECT_FALSE(registry.openKey(QStringLiteral("Software\\KUB\\News"), false));
    EXPECT_TRUE(registry.openKey(QStringLiteral("Software\\kubNEWS\\TMainForm"), true));
    EXPECT_TRUE(env.readRegistry().contains(QStringLiteral("[HKEY_CURRENT_USER\\Software\\kubNEWS\\TMainForm]")));
}

TEST(RegistryStore, WritesRoundTripAndKeepTheRest)
{
    TestEnvironment env;
    env.writeRegistry(kSample);
    {
        RegistryStore registry;
        ASSERT_TRUE(registry.openKey(QStringLiteral("Software\\KUB\\News"), false));
        registry.writeString(QStringLiteral("templatepath"), QStringLiteral("/home/ä \"q\"\\x\nzwei"));
        registry.writeInteger(QStringLiteral("mao"), -1);
        registry.writeString(QStringLiteral("Ver"), QStringLiteral("1.2"));
    }
    RegistryStore again;
    ASSERT_TRUE(again.openKey(QStringLiteral("Software\\KUB\\News"), false));
    EXPECT_EQ(again.readString(QStringLiteral("TemplatePath")), QStringLiteral("/home/ä \"q\"\\x\nzwei"));
    EXPECT_EQ(again.readInteger(QStringLiteral("MAO")), -1);
    EXPECT_EQ(again.readString(QStringLiteral("ImportPath")), QStringLiteral("C:\\Import \"alt\""));
    EXPECT_TRUE(again.valueExists(QStringLiteral("Blob")));
    EXPECT_TRUE(env.readRegistry().contains(QStringLiteral("\"MAO\"=dword:ffffffff")));
    ASSERT_TRUE(again.openKey(QStringLiteral("Software\\KUB\\News\\Database"), false));
    EXPECT_EQ(again.readString(QStringLiteral("DBPath")), QStringLiteral("/data/Datenbank"));
}

TEST(RegistryStore, NothingIsCachedBetweenCalls)
{
    TestEnvironment env;
    env.writeRegistry(kSample);
    RegistryStore registry;
    ASSERT_TRUE(registry.openKey(QStringLiteral("Software\\KUB\\News"), false));
    env.writeRegistry(QString(kSample).replace(QStringLiteral("dword:0000000a"), QStringLiteral("dword:00000003")));
    EXPECT_EQ(registry.readInteger(QStringLiteral("MAO")), 3);
}

TEST(RegistryStore, TheFileIsWrittenForItsOwnerOnly)
{
    TestEnvironment env;
    // A new file in a new folder, and a file that others could read before.
    const QString fresh = env.root() + QStringLiteral("/neu/registry.reg");
    for (const QString& path : {fresh, env.registryFile()}) {
        if (path == env.registryFile()) {
            env.writeRegistry(kSample);
            ASSERT_TRUE(SetFileMode(path, 0644));
        }
        RegistryStore registry(path);
        ASSERT_TRUE(registry.openKey(QStringLiteral("Software\\KUB\\News"), true));
        registry.writeInteger(QStringLiteral("MAO"), 2);
        EXPECT_EQ(FileMode(path), 0600) << path.toStdString();
    }
    EXPECT_EQ(FileMode(QFileInfo(fresh).path()), 0700);
}

TEST(RegistryStore, AnOversizedFileIsUnreadableAndNeverReplaced)
{
    TestEnvironment env;
    QByteArray huge = kSample.toUtf8() + "; ";
    huge.append(QByteArray(RegistryFile::kMaxFileSize, 'x'));
    {
        QFile file(env.registryFile());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(huge), huge.size());
    }
    RegistryStore registry;
    EXPECT_FALSE(registry.openKey(QStringLiteral("Software\\KUB\\News"), false));
    EXPECT_FALSE(registry.keyExists(QStringLiteral("Software\\KUB\\News")));
    // Creating a key or writing into it would save a file without the values it held.
    EXPECT_THROW(registry.openKey(QStringLiteral("Software\\KUB\\Neu"), true), ERegistryException);
    RegistryStore writer;
    writer.setRoot(RegistryRoot::CurrentUser);
    EXPECT_THROW(writer.openKey(QStringLiteral("Software\\kubNEWS"), true), ERegistryException);
    EXPECT_EQ(QFileInfo(env.registryFile()).size(), huge.size());

    // Just within the bound the file is read as always.
    huge.resize(RegistryFile::kMaxFileSize);
    {
        QFile file(env.registryFile());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(file.write(huge), huge.size());
    }
    EXPECT_TRUE(registry.openKey(QStringLiteral("Software\\KUB\\News"), false));
    EXPECT_EQ(registry.readInteger(QStringLiteral("MAO")), 10);
}

} // namespace
