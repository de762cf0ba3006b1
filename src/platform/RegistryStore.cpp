#include "platform/RegistryStore.h"

#include "platform/AppPaths.h"
#include "platform/RegistryFile.h"

namespace {

QString normalisedKey(QString key)
{
    key.replace(u'/', u'\\');
    while (key.startsWith(u'\\'))
        key.remove(0, 1);
    while (key.endsWith(u'\\'))
        key.chop(1);
    return key;
}

QString wrongType(const QString& name)
{
    return QStringLiteral("Ungültiger Datentyp für '%1'").arg(name);
}

// A file that cannot be read is never replaced: a save would drop every value in it.
void refuseUnreadable(const RegistryFile& file, const QString& path)
{
    if (!file.readable())
        throw ERegistryException(QStringLiteral("Die Registrierungsdatei %1 kann nicht gelesen werden: %2")
                                     .arg(path, file.unreadableReason()));
}

} // namespace

ERegistryException::ERegistryException(const QString& message) : std::runtime_error(message.toStdString()) {}

RegistryStore::RegistryStore(QString filePath) : m_filePath(std::move(filePath)) {}

RegistryStore::RegistryStore() : RegistryStore(AppPaths::registryFile()) {}

QString RegistryStore::sectionName(const QString& key) const
{
    const QString root = m_root == RegistryRoot::LocalMachine ? QStringLiteral("HKEY_LOCAL_MACHINE")
                                                              : QStringLiteral("HKEY_CURRENT_USER");
    const QString path = normalisedKey(key);
    return path.isEmpty() ? root : root + u'\\' + path;
}

bool RegistryStore::keyExists(const QString& key) const
{
    return RegistryFile::load(m_filePath).hasKey(sectionName(key));
}

bool RegistryStore::openKey(const QString& key, bool canCreate)
{
    closeKey();
    const QString section = sectionName(key);
    RegistryFile file = RegistryFile::load(m_filePath);
    if (!file.hasKey(section)) {
        if (!canCreate)
            return false;
        refuseUnreadable(file, m_filePath);
        file.add(section);
        QString error;
        if (!file.save(m_filePath, &error))
            throw ERegistryException(
                QStringLiteral("Schlüssel %1 konnte nicht erstellt werden: %2").arg(section, error));
    }
    m_openSection = section;
    return true;
}

void RegistryStore::closeKey()
{
    m_openSection.clear();
}

bool RegistryStore::valueExists(const QString& name) const
{
    if (m_openSection.isEmpty())
        return false;
    const RegistryFile file = RegistryFile::load(m_filePath);
    const RegistrySection* section = file.find(m_openSection);
    return section && section->find(name);
}

QString RegistryStore::readString(const QString& name) const
{
    const RegistryFile file = RegistryFile::load(m_filePath);
    const RegistrySection* section = m_openSection.isEmpty() ? nullptr : file.find(m_openSection);
    const RegistryValue* value = section ? section->find(name) : nullptr;
    if (!value)
        return {};
    if (value->type != RegistryValue::Type::String)
        throw ERegistryException(wrongType(name));
    return value->text;
}

int RegistryStore::readInteger(const QString& name) const
{
    const RegistryFile file = RegistryFile::load(m_filePath);
    const RegistrySection* section = m_openSection.isEmpty() ? nullptr : file.find(m_openSection);
    const RegistryValue* value = section ? section->find(name) : nullptr;
    if (!value || value->type != RegistryValue::Type::Dword)
        throw ERegistryException(wrongType(name));
    return static_cast<int>(value->number);
}

namespace {

void writeValue(const QString& filePath, const QString& sectionName, RegistryValue value)
{
    if (sectionName.isEmpty())
        throw ERegistryException(QStringLiteral("Kein Schlüssel geöffnet für '%1'").arg(value.name));
    RegistryFile file = RegistryFile::load(filePath);
    refuseUnreadable(file, filePath);
    RegistrySection* section = file.find(sectionName);
    if (!section)
        section = &file.add(sectionName);
    if (RegistryValue* existing = section->find(value.name)) {
        value.name = existing->name;
        *existing = value;
    } else {
        section->values.append(value);
    }
    QString error;
    if (!file.save(filePath, &error))
        throw ERegistryException(QStringLiteral("Fehler beim Setzen der Daten für '%1': %2").arg(value.name, error));
}

} // namespace

void RegistryStore::writeString(const QString& name, const QString& value)
{
    RegistryValue entry;
    entry.name = name;
    entry.type = RegistryValue::Type::String;
    entry.text = value;
    writeValue(m_filePath, m_openSection, entry);
}

void RegistryStore::writeInteger(const QString& name, int value)
{
    RegistryValue entry;
    entry.name = name;
    entry.type = RegistryValue::Type::Dword;
    entry.number = static_cast<quint32>(value);
    writeValue(m_filePath, m_openSection, entry);
}
