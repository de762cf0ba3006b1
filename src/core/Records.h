#pragma once

#include "core/RecipientFields.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <array>

// One sender, a row of the table Verfasser. UserID and UserPW are held decoded.
struct TAbsenderDataRecord {
    QString Firma;
    QString Strasse;
    QString PLZ;
    QString Ort;
    QString Tel;
    QString Fax;
    QString Firmenemail;
    QString Web;
    QString Verfasser;
    QString Email;
    QString Host;
    QString UserID;
    QString UserPW;
};

// One recipient, a row of the table Adressen.
struct TEmpfDataRecord {
    QString Anrede;
    QString Name;
    QString ZName;
    QString Strasse;
    QString PLZ;
    QString Ort;
    QString ZAdresse;
    QString Land;
    QString Tel;
    QString Fax;
    QString Email;
    QString Firma;
    QString Titel;
    QString Vorname;
    QString BFormel = QStringLiteral("Sehr geehrte(r)");
    int Status = 0;
    bool Send = true;

    QString& text(RecipientField field);
    const QString& text(RecipientField field) const;
};

// The recipient field captions; a caption's position is its field number.
struct TEmpfaengerFelder {
    const QStringList Items = recipientFieldCaptions();

private:
    static QStringList recipientFieldCaptions();
};

// The database files in the order they are copied, archived, extracted and restored.
struct TDBFiles {
    const QStringList Items{QStringLiteral("Adressen.ADI"), QStringLiteral("Adressen.ADT"),
                            QStringLiteral("Verfasser.ADI"), QStringLiteral("Verfasser.ADT")};
};

// The settings that the settings dialog edits.
struct TOptionData {
    bool DialUp = true;
    QString ImportPath;
    QString TemplatePath;
    int MailsPerConnection = 0;
};

// One recipient as the import and the send path hand it around: a text per field of fixed
// capacity (the widths of their Adressen columns) and two flags. A longer value is cut to the
// capacity when it is stored; the cut never splits a surrogate pair.
class TRecipientMailData {
public:
    static int capacity(RecipientField field);
    static int capacity(int fieldNumber) { return capacity(static_cast<RecipientField>(fieldNumber)); }

    const QString& text(RecipientField field) const { return m_texts[static_cast<size_t>(field)]; }
    const QString& text(int fieldNumber) const { return m_texts[static_cast<size_t>(fieldNumber)]; }
    void setText(RecipientField field, const QString& value);
    void setText(int fieldNumber, const QString& value) { setText(static_cast<RecipientField>(fieldNumber), value); }

    bool Send = false;
    bool Selected = false;

private:
    std::array<QString, kRecipientFieldCount> m_texts;
};

// A growable array of TRecipientMailData; new elements have empty texts and both flags false.
using TFDBData = QList<TRecipientMailData>;

// Cuts text to at most maxChars UTF-16 units without splitting a surrogate pair.
QString cutToCapacity(const QString& text, int maxChars);
