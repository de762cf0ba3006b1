#include "core/Records.h"

namespace {
constexpr std::array<int, kRecipientFieldCount> kCapacities = {40, 70, 70, 50, 15, 50, 50, 5,
                                                                50, 40, 40, 70, 25, 50, 100};
}

int TRecipientMailData::capacity(RecipientField field)
{
    return kCapacities[static_cast<size_t>(field)];
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
