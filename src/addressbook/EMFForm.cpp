#include "addressbook/EMFForm.h"

#include "addressbook/ScreenLook.h"
#include "addressbook/TypingLimit.h"
#include "controls/ColorNumber.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include <type_traits>

namespace {

// The fields in the order of fieldEdits(): FE1 to FE13, then the title and greeting combo boxes.
constexpr RecipientField kEditFields[] = {RecipientField::Anrede,   RecipientField::Name,  RecipientField::ZName,
                                          RecipientField::Strasse,  RecipientField::PLZ,   RecipientField::Ort,
                                          RecipientField::ZAdresse, RecipientField::Land,  RecipientField::Tel,
                                          RecipientField::Fax,      RecipientField::Email, RecipientField::Firma,
                                          RecipientField::Vorname,  RecipientField::Titel, RecipientField::BFormel};
static_assert(namesEveryRecipientFieldOnce(kEditFields), "an edit for each recipient field");

} // namespace

TEmpfModForm::TEmpfModForm(QWidget* parent)
    : TRecordDialog(QStringLiteral("Empfängerdaten  Hinzufügen/Bearbeiten"), QSize(655, 543), QStringLiteral("EMFOK"),
                    parent),
      EMFOK(confirmCommand())
{
    setObjectName(QStringLiteral("EmpfModForm"));
    auto* owner = new QHBoxLayout;
    owner->addWidget(ScreenLook::heading(QStringLiteral("Absenderzugehörigkeit:"), this));
    Label14 = ScreenLook::caption(QString(), this);
    Label14->setObjectName(QStringLiteral("Label14"));
    QFont bold = Label14->font();
    bold.setBold(true);
    Label14->setFont(bold);
    Label14->setStyleSheet(QStringLiteral("color: ") + colorFromNumber(ScreenLook::kAccent).name() + u';');
    owner->addWidget(Label14, 1);
    body()->addLayout(owner);

    auto* columns = new QHBoxLayout;
    columns->setSpacing(10);
    auto* left = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    columns->addLayout(left, 1);
    columns->addLayout(right, 1);
    body()->addLayout(columns);
    auto* bottom = new QHBoxLayout;
    bottom->setSpacing(10);
    body()->addLayout(bottom);

    // Created in tab order; the groups place them.
    QVBoxLayout* company = group(QStringLiteral("Firmendaten"), left);
    FE12 = addEdit(company, QStringLiteral("Firma/Name:"), QStringLiteral("FE12"), 70);
    FE3 = addEdit(company, QStringLiteral("Firmenzusatz (z.B.: Inh. Herr Mustermann):"), QStringLiteral("FE3"), 70);
    QVBoxLayout* person = group(QStringLiteral("Ansprechpartner"), left);
    FE1 = addEdit(person, QStringLiteral("Anrede:"), QStringLiteral("FE1"), 40);
    FE13 = addEdit(person, QStringLiteral("Vorname:"), QStringLiteral("FE13"), 50);
    FE2 = addEdit(person, QStringLiteral("Name:"), QStringLiteral("FE2"), 70);
    FCB1 = addCombo(person, QStringLiteral("Titel:"), QStringLiteral("FCB1"), 25,
                    {QStringLiteral("Dr."), QStringLiteral("Prof."), QStringLiteral("Prof.Dr."),
                     QStringLiteral("Dipl.Ing."), QStringLiteral("Dipl.oec.")});
    left->addStretch(1);
    QVBoxLayout* address = group(QStringLiteral("Adressdaten"), right);
    FE4 = addEdit(address, QStringLiteral("Strasse:"), QStringLiteral("FE4"), 50);
    FE5 = addEdit(address, QStringLiteral("PLZ:"), QStringLiteral("FE5"), 15);
    FE6 = addEdit(address, QStringLiteral("Ort:"), QStringLiteral("FE6"), 50);
    FE8 = addEdit(address, QStringLiteral("Land:"), QStringLiteral("FE8"), 5);
    FE7 = addEdit(address, QStringLiteral("Zustellzusatz (z.B.: OT Musterhausen):"), QStringLiteral("FE7"), 50);
    QVBoxLayout* contact = group(QStringLiteral("Kommunikation"), right);
    // The columns hold 40; typing stops at 30, a longer stored value stays whole.
    FE9 = addEdit(contact, QStringLiteral("Tel.:"), QStringLiteral("FE9"), 30);
    FE10 = addEdit(contact, QStringLiteral("Fax:"), QStringLiteral("FE10"), 30);
    FE11 = addEdit(contact, QStringLiteral("E-mail:"), QStringLiteral("FE11"), 50, true);
    right->addStretch(1);
    QVBoxLayout* general = group(QStringLiteral("Allgemein"), bottom);
    FCB2 = addCombo(general, QStringLiteral("Begrüßungsformel:"), QStringLiteral("FCB2"), 100,
                    {QStringLiteral("Sehr geehrte"), QStringLiteral("Sehr geehrter"), QStringLiteral("Sehr geehrte(r)"),
                     QStringLiteral("Sehr geehrte Damen und Herren"), QStringLiteral("Liebe"), QStringLiteral("Lieber"),
                     QStringLiteral("Hallo"), QStringLiteral("Hi"), QStringLiteral("Grüß Dich"),
                     QStringLiteral("Ich grüße Sie"), QStringLiteral("Wir grüßen Sie")});
    QVBoxLayout* newsletter = group(QStringLiteral("Newsletter"), bottom);
    FCheckB1 = new QCheckBox(QStringLiteral("Empfänger bei Newsletterversand einbeziehen"), this);
    FCheckB1->setObjectName(QStringLiteral("FCheckB1"));
    newsletter->addWidget(FCheckB1);
    newsletter->addStretch(1);
    body()->addStretch(1);

    setFirstFocus(FE12);
}

QVBoxLayout* TEmpfModForm::group(const QString& title, QBoxLayout* into)
{
    auto* frame = new QFrame(this);
    frame->setObjectName(title);
    frame->setStyleSheet(QStringLiteral("QFrame#") + title + QStringLiteral(" { border: 1px solid ") +
                         colorFromNumber(ScreenLook::kGroupFrame).name() + QStringLiteral("; }"));
    auto* layout = new QVBoxLayout(frame);
    layout->setContentsMargins(8, 4, 8, 6);
    layout->setSpacing(1);
    layout->addWidget(ScreenLook::heading(title, frame, true));
    into->addWidget(frame, 1);
    return layout;
}

void TEmpfModForm::LoadRecord(const TEmpfDataRecord& record, const QString& senderFirma)
{
    Label14->setText(senderFirma);
    const auto edits = fieldEdits();
    for (size_t i = 0; i < edits.size(); ++i)
        TTypingLimit::loadText(edits[i], record.text(kEditFields[i]));
    FCheckB1->setChecked(record.Send);
}

void TEmpfModForm::StoreRecord(TEmpfDataRecord& record) const
{
    const auto edits = fieldEdits();
    for (size_t i = 0; i < edits.size(); ++i)
        record.text(kEditFields[i]) = edits[i]->text();
    record.Send = FCheckB1->isChecked();
}

std::array<QLineEdit*, kRecipientFieldCount> TEmpfModForm::fieldEdits() const
{
    QLineEdit* const edits[] = {
        FE1, FE2, FE3, FE4, FE5, FE6, FE7, FE8, FE9, FE10, FE11, FE12, FE13, FCB1->lineEdit(), FCB2->lineEdit()};
    static_assert(std::extent_v<decltype(edits)> == std::size(kEditFields), "an edit for each field of kEditFields");
    return std::to_array(edits);
}

bool TEmpfModForm::canConfirm() const
{
    return !FE11->text().isEmpty();
}
