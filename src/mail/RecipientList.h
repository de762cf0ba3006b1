#pragma once

#include "core/Records.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <array>

// One recipient of a send run: the placeholder values in field order; the Email value
// is the mail's address. Values are kept apart, so a "|" inside one shifts nothing.
struct TRecipientEntry {
    std::array<QString, kRecipientFieldCount> Values;

    const QString& Address() const { return Values[static_cast<size_t>(RecipientField::Email)]; }

    // The address and the values joined by "|", for logs.
    QString JoinedLine() const;
};

// The recipient list of a send run ("TO" list): the placeholder names of the recipient fields
// and one entry per recipient to mail. Built on the main thread and copied into the generator
// before the send thread starts.
class TRecipientList {
public:
    // "<#EAnrede>" ... "<#EBFormel>", in field order.
    static const std::array<QString, kRecipientFieldCount>& PlaceholderNames();
    // "TO|<#EAnrede>|...|<#EBFormel>".
    static QString HeaderLine();

    // One entry for each record, in order, whose Selected flag is set and whose Email is not
    // empty.
    static TRecipientList FromRecords(const TFDBData& records);

    void append(const TRecipientEntry& entry) { m_entries.append(entry); }
    qsizetype count() const { return m_entries.size(); }
    bool isEmpty() const { return m_entries.isEmpty(); }
    const TRecipientEntry& at(qsizetype index) const { return m_entries.at(index); }

    // The header line, then the joined line of every entry.
    QStringList Lines() const;

private:
    QList<TRecipientEntry> m_entries;
};
