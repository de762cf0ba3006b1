#pragma once

#include <QStringView>

#include <array>
#include <functional>

// The texts of a recipient, in field order: the order of the import's captions, of the
// placeholder values and of TRecipientMailData. A new field goes into the table below; lists
// that follow the table assert their size or namesEveryRecipientFieldOnce() at compile time.
enum class RecipientField {
    Anrede,
    Name,
    ZName,
    Strasse,
    PLZ,
    Ort,
    ZAdresse,
    Land,
    Email,
    Tel,
    Fax,
    Firma,
    Titel,
    Vorname,
    BFormel
};
inline constexpr int kRecipientFieldCount = 15;

// What the program knows of one recipient field: its column in Adressen and that column's
// width, its placeholder in templates and its caption in the import.
struct RecipientFieldInfo {
    RecipientField field;
    QStringView column;
    int width;
    QStringView placeholder;
    QStringView caption;
};

// The one table of the recipient fields, in field order; schema, capacities, queries, the
// import and the placeholders all take their names and widths from here.
inline constexpr std::array<RecipientFieldInfo, kRecipientFieldCount> kRecipientFields{{
    {RecipientField::Anrede, u"Anrede", 40, u"<#EAnrede>", u"Anrede"},
    {RecipientField::Name, u"Name", 70, u"<#EName>", u"Name"},
    {RecipientField::ZName, u"ZName", 70, u"<#ENamensZ>", u"Firmenzusatz"},
    {RecipientField::Strasse, u"Strasse", 50, u"<#EStrasse>", u"Strasse"},
    {RecipientField::PLZ, u"PLZ", 15, u"<#EPLZ>", u"PLZ"},
    {RecipientField::Ort, u"Ort", 50, u"<#EOrt>", u"Ort"},
    {RecipientField::ZAdresse, u"ZAdresse", 50, u"<#EAdressZ>", u"Adresszusatz"},
    {RecipientField::Land, u"Land", 5, u"<#ELand>", u"Land"},
    {RecipientField::Email, u"Email", 50, u"<#EEmail>", u"Email"},
    {RecipientField::Tel, u"Tel", 40, u"<#ETel>", u"Telefon"},
    {RecipientField::Fax, u"Fax", 40, u"<#EFax>", u"Fax"},
    {RecipientField::Firma, u"Firma", 70, u"<#EFirma>", u"Firma"},
    {RecipientField::Titel, u"Titel", 25, u"<#ETitel>", u"Titel"},
    {RecipientField::Vorname, u"Vorname", 50, u"<#EVorname>", u"Vorname"},
    {RecipientField::BFormel, u"BFormel", 100, u"<#EBFormel>", u"Begrüßungsformel"},
}};

constexpr const RecipientFieldInfo& recipientField(RecipientField field)
{
    return kRecipientFields[static_cast<size_t>(field)];
}

// Each row sits at its field's place.
static_assert([] {
    for (size_t i = 0; i < kRecipientFields.size(); ++i)
        if (static_cast<size_t>(kRecipientFields[i].field) != i)
            return false;
    return true;
}());

// Whether a list (in an order of its own) names every recipient field exactly once; fieldOf
// takes an entry's field. Lists that follow the table assert it, so none can miss a new field.
template <typename List, typename FieldOf = std::identity>
constexpr bool namesEveryRecipientFieldOnce(const List& list, FieldOf fieldOf = {})
{
    std::array<bool, kRecipientFieldCount> named{};
    size_t count = 0;
    for (const auto& entry : list) {
        const auto index = static_cast<size_t>(std::invoke(fieldOf, entry));
        if (index >= named.size() || named[index])
            return false;
        named[index] = true;
        ++count;
    }
    return count == named.size();
}
