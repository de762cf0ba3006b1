#include "platform/RegistryFile.h"

#include "platform/PrivateFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

const QString kHeader = QStringLiteral("Windows Registry Editor Version 5.00");

// Reads a quoted string starting at text[pos] == '"'; returns the position after the closing quote, or -1.
qsizetype readQuoted(const QString& text, qsizetype pos, QString* out)
{
    out->clear();
    for (qsizetype i = pos + 1; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\\' && i + 1 < text.size()) {
            const QChar next = text.at(++i);
            out->append(next == u'n' ? QChar(u'\n') : next == u'r' ? QChar(u'\r') : next);
        } else if (c == u'"') {
            return i + 1;
        } else {
            out->append(c);
        }
    }
    return -1;
}

QString quoted(const QString& text)
{
    QString out;
    out.reserve(text.size() + 2);
    out.append(u'"');
    for (const QChar c : text) {
        if (c == u'\\' || c == u'"')
            out.append(u'\\').append(c);
        else if (c == u'\n')
            out.append(QStringLiteral("\\n"));
        else if (c == u'\r')
            out.append(QStringLiteral("\\r"));
        else
            out.append(c);
    }
    out.append(u'"');
    return out;
}

bool parseValueLine(const QString& line, RegistryValue* value)
{
    if (!line.startsWith(u'"'))
        return false;
    const qsizetype afterName = readQuoted(line, 0, &value->name);
    if (afterName < 0 || afterName >= line.size() || line.at(afterName) != u'=')
        return false;
    const QString data = line.mid(afterName + 1);
    if (data.startsWith(u'"')) {
        value->type = RegistryValue::Type::String;
        return readQuoted(data, 0, &value->text) > 0;
    }
    if (data.startsWith(QStringLiteral("dword:"), Qt::CaseInsensitive)) {
        bool ok = false;
        const QString hex = data.mid(6);
        value->number = hex.toUInt(&ok, 16);
        if (ok && hex.size() <= 8) {
            value->type = RegistryValue::Type::Dword;
            return true;
        }
    }
    value->type = RegistryValue::Type::Other;
    value->raw = data;
    return true;
}

} // namespace

RegistryValue* RegistrySection::find(const QString& valueName)
{
    for (RegistryValue& value : values) {
        if (value.name.compare(valueName, Qt::CaseInsensitive) == 0)
            return &value;
    }
    return nullptr;
}

const RegistryValue* RegistrySection::find(const QString& valueName) const
{
    return const_cast<RegistrySection*>(this)->find(valueName);
}

RegistryFile RegistryFile::load(const QString& path)
{
    RegistryFile result;
    QFile file(path);
    if (!file.exists())
        return result;
    if (!file.open(QIODevice::ReadOnly)) {
        result.m_unreadableReason = file.errorString();
        return result;
    }
    // Read one byte past the bound: the size on disk may change, and a device has none.
    const QByteArray bytes = file.read(kMaxFileSize + 1);
    if (bytes.size() > kMaxFileSize) {
        result.m_unreadableReason = QStringLiteral("Die Datei ist größer als %1 MB").arg(kMaxFileSize / (1024 * 1024));
        return result;
    }
    if (file.error() != QFileDevice::NoError) {
        result.m_unreadableReason = file.errorString();
        return result;
    }
    const QString text = QString::fromUtf8(bytes);
    RegistrySection* current = nullptr;
    for (QString line : text.split(u'\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            const QString name = line.mid(1, line.size() - 2);
            current = result.find(name);
            if (!current)
                current = &result.add(name);
            continue;
        }
        RegistryValue value;
        if (current && parseValueLine(line, &value)) {
            if (RegistryValue* existing = current->find(value.name))
                *existing = value;
            else
                current->values.append(value);
        }
    }
    return result;
}

bool RegistryFile::save(const QString& path, QString* error) const
{
    QString text = kHeader + QStringLiteral("\n");
    for (const RegistrySection& section : m_sections) {
        text += QStringLiteral("\n[") + section.name + QStringLiteral("]\n");
        for (const RegistryValue& value : section.values) {
            text += quoted(value.name) + u'=';
            switch (value.type) {
            case RegistryValue::Type::String:
                text += quoted(value.text);
                break;
            case RegistryValue::Type::Dword:
                text += QStringLiteral("dword:") + QStringLiteral("%1").arg(value.number, 8, 16, QChar(u'0'));
                break;
            case RegistryValue::Type::Other:
                text += value.raw;
                break;
            }
            text += u'\n';
        }
    }
    PrivateFiles::makeFolder(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    // The rights are set on the temporary file, so the file never exists with wider ones.
    if (!file.open(QIODevice::WriteOnly) || !file.setPermissions(PrivateFiles::kFilePermissions) ||
        file.write(text.toUtf8()) < 0 || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

RegistrySection* RegistryFile::find(const QString& sectionName)
{
    for (RegistrySection& section : m_sections) {
        if (section.name.compare(sectionName, Qt::CaseInsensitive) == 0)
            return &section;
    }
    return nullptr;
}

const RegistrySection* RegistryFile::find(const QString& sectionName) const
{
    return const_cast<RegistryFile*>(this)->find(sectionName);
}

bool RegistryFile::hasKey(const QString& sectionName) const
{
    const QString below = sectionName + u'\\';
    for (const RegistrySection& section : m_sections) {
        if (section.name.compare(sectionName, Qt::CaseInsensitive) == 0 ||
            section.name.startsWith(below, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

RegistrySection& RegistryFile::add(const QString& sectionName)
{
    m_sections.append(RegistrySection{sectionName, {}});
    return m_sections.last();
}
