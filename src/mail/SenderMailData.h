#pragma once

#include "core/Records.h"

#include <QString>

#include <array>

// The fourteen sender texts that feed the sender placeholders, in the order of their names.
enum class SenderField {
    FirmenName,
    Strasse,
    PLZ,
    Ort,
    Telefon,
    Telefax,
    VerfasserEMail,
    InternetAdresse,
    VerfasserName,
    EMail,
    Subject,
    From,
    ID,
    UnsubscribeEMail
};
inline constexpr int kSenderFieldCount = 14;

// The sender side of one send run. A value longer than its field's capacity is cut when it is
// stored, except the four e-mail addresses, which are never cut.
class TSenderMailData {
public:
    static int capacity(SenderField field);
    // "<#AFirmenName>" ... "<#A(un)subscribeEMail>", in field order.
    static const std::array<QString, kSenderFieldCount>& PlaceholderNames();
    // The send run's record: the sender's row, the subject typed for the run, ID and
    // UnsubscribeEMail empty.
    static TSenderMailData FromSender(const TAbsenderDataRecord& sender, const QString& subject);

    const QString& text(SenderField field) const { return m_texts[static_cast<size_t>(field)]; }
    void setText(SenderField field, const QString& value);
    const std::array<QString, kSenderFieldCount>& texts() const { return m_texts; }

private:
    std::array<QString, kSenderFieldCount> m_texts;
};
