#include "core/Records.h"

namespace {

// The record's member of each field, in field order.
constexpr QString TEmpfDataRecord::*kRecordMembers[] = {
    &TEmpfDataRecord::Anrede, &TEmpfDataRecord::Name,    &TEmpfDataRecord::ZName,    &TEmpfDataRecord::Strasse,
    &TEmpfDataRecord::PLZ,    &TEmpfDataRecord::Ort,     &TEmpfDataRecord::ZAdresse, &TEmpfDataRecord::Land,
    &TEmpfDataRecord::Email,  &TEmpfDataRecord::Tel,     &TEmpfDataRecord::Fax,      &TEmpfDataRecord::Firma,
    &TEmpfDataRecord::Titel,  &TEmpfDataRecord::Vorname, &TEmpfDataRecord::BFormel};
static_assert(std::size(kRecordMembers) == kRecipientFieldCount, "a member for each recipient field");

} // namespace

QString& TEmpfDataRecord::text(RecipientField field)
{
    return this->*kRecordMembers[static_cast<size_t>(field)];
}

const QString& TEmpfDataRecord::text(RecipientField field) const
{
    return this->*kRecordMembers[static_cast<size_t>(field)];
}

QStringList TEmpfaengerFelder::recipientFieldCaptions()
{
    QStringList captions;
    for (const RecipientFieldInfo& info : kRecipientFields)
        captions.append(info.caption.toString());
    return captions;
}

int TRecipientMailData::capacity(RecipientField field)
{
    return recipientField(field).width;
}

void TRecipientMailData::setText(RecipientField field, const QString& value)
{
    m_texts[static_cast<size_t>(field)] = cutToCapacity(value, capacity(field));
}

QString cutToCapacity(const QString& text, int maxChars)
{
    if (text.size() <= maxChars)
        return text;
    qsizetype length = maxChars;
    if (length > 0 && text.at(length - 1).isHighSurrogate())
        --length;
    return text.left(length);
}
