#include "mail/RecipientList.h"

QString TRecipientEntry::JoinedLine() const
{
    QStringList fields{Address()};
    for (const QString& value : Values)
        fields.append(value);
    return fields.join(QLatin1Char('|'));
}

const std::array<QString, kRecipientFieldCount>& TRecipientList::PlaceholderNames()
{
    static const std::array<QString, kRecipientFieldCount> names = [] {
        std::array<QString, kRecipientFieldCount> table;
        for (const RecipientFieldInfo& info : kRecipientFields)
            table[static_cast<size_t>(info.field)] = info.placeholder.toString();
        return table;
    }();
    return names;
}

QString TRecipientList::HeaderLine()
{
    QStringList fields{QStringLiteral("TO")};
    for (const QString& name : PlaceholderNames())
        fields.append(name);
    return fields.join(QLatin1Char('|'));
}

TRecipientList TRecipientList::FromRecords(const TFDBData& records)
{
    TRecipientList list;
    for (const TRecipientMailData& record : records) {
        if (!record.Selected || record.text(RecipientField::Email).isEmpty())
            continue;
        TRecipientEntry entry;
        for (int field = 0; field < kRecipientFieldCount; ++field)
            entry.Values[static_cast<size_t>(field)] = record.text(field);
        list.append(entry);
    }
    return list;
}

QStringList TRecipientList::Lines() const
{
    QStringList lines{HeaderLine()};
    for (const TRecipientEntry& entry : m_entries)
        lines.append(entry.JoinedLine());
    return lines;
}
