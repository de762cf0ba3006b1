#include "mail/SenderMailData.h"

namespace {

constexpr auto kCapacities = std::to_array({100, 50, 15, 50, 40, 40, 50, 70, 40, 50, 100, 50, 50, 50});
static_assert(kCapacities.size() == kSenderFieldCount, "a capacity for each sender field");

bool isAddress(SenderField field)
{
    return field == SenderField::VerfasserEMail || field == SenderField::EMail || field == SenderField::From ||
           field == SenderField::UnsubscribeEMail;
}

} // namespace

int TSenderMailData::capacity(SenderField field)
{
    return kCapacities[static_cast<size_t>(field)];
}

const std::array<QString, kSenderFieldCount>& TSenderMailData::PlaceholderNames()
{
    // A list of another length than the sender fields does not convert to the result.
    static const auto names = std::to_array<QString>(
        {QStringLiteral("<#AFirmenName>"), QStringLiteral("<#AStrasse>"), QStringLiteral("<#APLZ>"),
         QStringLiteral("<#AOrt>"), QStringLiteral("<#ATelefon>"), QStringLiteral("<#ATelefax>"),
         QStringLiteral("<#AVerfasserEMail>"), QStringLiteral("<#AInternetAdresse>"),
         QStringLiteral("<#AVerfasserName>"), QStringLiteral("<#AEMail>"), QStringLiteral("<#ASubject>"),
         QStringLiteral("<#AFrom>"), QStringLiteral("<#AID>"), QStringLiteral("<#A(un)subscribeEMail>")});
    return names;
}

void TSenderMailData::setText(SenderField field, const QString& value)
{
    m_texts[static_cast<size_t>(field)] = isAddress(field) ? value : cutToCapacity(value, capacity(field));
}

TSenderMailData TSenderMailData::FromSender(const TAbsenderDataRecord& sender, const QString& subject)
{
    TSenderMailData data;
    data.setText(SenderField::FirmenName, sender.Firma);
    data.setText(SenderField::Strasse, sender.Strasse);
    data.setText(SenderField::PLZ, sender.PLZ);
    data.setText(SenderField::Ort, sender.Ort);
    data.setText(SenderField::Telefon, sender.Tel);
    data.setText(SenderField::Telefax, sender.Fax);
    data.setText(SenderField::VerfasserEMail, sender.Email);
    data.setText(SenderField::InternetAdresse, sender.Web);
    data.setText(SenderField::VerfasserName, sender.Verfasser);
    data.setText(SenderField::EMail, sender.Firmenemail);
    data.setText(SenderField::Subject, subject);
    data.setText(SenderField::From, sender.Firmenemail);
    return data;
}
