#include "addressbook/AMFForm.h"

#include "addressbook/ScreenLook.h"
#include "addressbook/TypingLimit.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

TAbsModForm::TAbsModForm(QWidget* parent)
    : TRecordDialog(QStringLiteral("Absenderdaten  Hinzufügen/Bearbeiten"), QSize(473, 379), QStringLiteral("AMFOK"),
                    parent),
      AMFOK(confirmCommand())
{
    setObjectName(QStringLiteral("AbsModForm"));
    auto* columns = new QHBoxLayout;
    columns->setSpacing(16);
    body()->addLayout(columns, 1);

    auto* left = new QVBoxLayout;
    left->setSpacing(1);
    left->addWidget(ScreenLook::heading(QStringLiteral("Absenderdaten"), this));
    FE1 = addEdit(left, QStringLiteral("Firma / Name:"), QStringLiteral("FE1"), 100, true);
    FE2 = addEdit(left, QStringLiteral("Strasse:"), QStringLiteral("FE2"), 50);
    FE3 = addEdit(left, QStringLiteral("PLZ:"), QStringLiteral("FE3"), 15);
    FE4 = addEdit(left, QStringLiteral("Ort:"), QStringLiteral("FE4"), 50);
    FE5 = addEdit(left, QStringLiteral("Telefon:"), QStringLiteral("FE5"), 40);
    FE6 = addEdit(left, QStringLiteral("Fax:"), QStringLiteral("FE6"), 40);
    FE7 = addEdit(left, QStringLiteral("E-mail:"), QStringLiteral("FE7"), 50, true);
    FE8 = addEdit(left, QStringLiteral("Internetadresse:"), QStringLiteral("FE8"), 70);
    left->addStretch(1);
    columns->addLayout(left, 1);

    auto* right = new QVBoxLayout;
    right->setSpacing(1);
    right->addWidget(ScreenLook::heading(QStringLiteral("Verfasserdaten"), this));
    FE9 = addEdit(right, QStringLiteral("Name:"), QStringLiteral("FE9"), 40);
    FE10 = addEdit(right, QStringLiteral("E-mail:"), QStringLiteral("FE10"), 50);
    right->addSpacing(14);
    right->addWidget(ScreenLook::heading(QStringLiteral("Postausgangsserver (SMTP)"), this));
    FE11 = addEdit(right, QStringLiteral("SMTP-Mailservername:"), QStringLiteral("FE11"), 128, true);
    FE12 = addEdit(right, QStringLiteral("Benutzer (wenn notwendig):"), QStringLiteral("FE12"), 50);
    FE13 = addEdit(right, QStringLiteral("Passwort (wenn notwendig):"), QStringLiteral("FE13"), 50);
    FE13->setEchoMode(QLineEdit::Password);
    right->addStretch(1);
    columns->addLayout(right, 1);

    setFirstFocus(FE1);
}

void TAbsModForm::LoadRecord(const TAbsenderDataRecord& record)
{
    const std::pair<QLineEdit*, const QString*> fields[] = {
        {FE1, &record.Firma},     {FE2, &record.Strasse}, {FE3, &record.PLZ},         {FE4, &record.Ort},
        {FE5, &record.Tel},       {FE6, &record.Fax},     {FE7, &record.Firmenemail}, {FE8, &record.Web},
        {FE9, &record.Verfasser}, {FE10, &record.Email},  {FE11, &record.Host},       {FE12, &record.UserID},
        {FE13, &record.UserPW}};
    for (const auto& [edit, value] : fields)
        TTypingLimit::loadText(edit, *value);
}

void TAbsModForm::StoreRecord(TAbsenderDataRecord& record) const
{
    record.Firma = FE1->text();
    record.Strasse = FE2->text();
    record.PLZ = FE3->text();
    record.Ort = FE4->text();
    record.Tel = FE5->text();
    record.Fax = FE6->text();
    record.Firmenemail = FE7->text();
    record.Web = FE8->text();
    record.Verfasser = FE9->text();
    record.Email = FE10->text();
    record.Host = FE11->text();
    record.UserID = FE12->text();
    record.UserPW = FE13->text();
}

bool TAbsModForm::canConfirm() const
{
    return !FE1->text().isEmpty() && !FE7->text().isEmpty() && !FE11->text().isEmpty();
}
