#include "addressbook/AssiSteps.h"

#include <QLineEdit>

TAssiAllgemeinFrame::TAssiAllgemeinFrame(QWidget* parent)
    : TAssiStepFrame(QStringLiteral("AssiAllgemeinFrame"), QStringLiteral("Willkommen"), parent)
{
    addText({QStringLiteral("Dieser Assistent unterstützt Sie Schritt für Schritt bei der "),
             QStringLiteral("erstmaligen Einrichtung eines Absenders."), QString(), QStringLiteral("Hinweise:"),
             QStringLiteral("Zur korrekten Bearbeitung von Empfängerdaten und"),
             QStringLiteral("zum Versenden von Newslettern bzw. Serien-Emails"),
             QStringLiteral("müssen Sie mindestens einen Absender anlegen."), QString(),
             QStringLiteral("Pflichtfelder werden gelb dargestellt.")});
}

TAssiAbsAdressFrame::TAssiAbsAdressFrame(QWidget* parent)
    : TAssiStepFrame(QStringLiteral("AssiAbsAdressFrame"), QStringLiteral("Adressdaten"), parent)
{
    addText({QStringLiteral("Der Name des Absenders muß erfasst werden, da die "),
             QStringLiteral("Identifizierung des Absenders über den Namen geschieht.")});
    addSpacing(6);
    FE1 = addEdit(QStringLiteral("Firma / Name:"), QStringLiteral("FE1"), &TAbsenderDataRecord::Firma, 100, true);
    FE2 = addEdit(QStringLiteral("Strasse:"), QStringLiteral("FE2"), &TAbsenderDataRecord::Strasse, 50);
    FE3 = addEdit(QStringLiteral("PLZ:"), QStringLiteral("FE3"), &TAbsenderDataRecord::PLZ, 15);
    FE4 = addEdit(QStringLiteral("Ort:"), QStringLiteral("FE4"), &TAbsenderDataRecord::Ort, 50);
}

TAssiAbsKommFrame::TAssiAbsKommFrame(QWidget* parent)
    : TAssiStepFrame(QStringLiteral("AssiAbsKommFrame"), QStringLiteral("Kommunikation"), parent)
{
    addText({QStringLiteral("Die Emailadresse des Absenders muß erfasst werden, sie wird"),
             QStringLiteral("zum Versenden von Newslettern bzw. Serien-Emails benötigt.")});
    addSpacing(6);
    FE1 = addEdit(QStringLiteral("Telefon:"), QStringLiteral("FE1"), &TAbsenderDataRecord::Tel, 40);
    FE2 = addEdit(QStringLiteral("Fax:"), QStringLiteral("FE2"), &TAbsenderDataRecord::Fax, 40);
    FE3 = addEdit(QStringLiteral("E-mail:"), QStringLiteral("FE3"), &TAbsenderDataRecord::Firmenemail, 50, true);
    FE4 = addEdit(QStringLiteral("Internet:"), QStringLiteral("FE4"), &TAbsenderDataRecord::Web, 70);
}

TAssiAbsVerfasserFrame::TAssiAbsVerfasserFrame(QWidget* parent)
    : TAssiStepFrame(QStringLiteral("AssiAbsVerfasserFrame"), QStringLiteral("Verfasserdaten"), parent)
{
    addText({QStringLiteral("Bei den Verfasserdaten kann ein Ansprechpartner, ein Team"),
             QStringLiteral("oder ein Kundenbetreuer hinterlegt werden, der für die zu "),
             QStringLiteral("versendenden Newsletter bzw. Serien-Emails verantwortlich"), QStringLiteral("zeichnet."),
             QString(), QStringLiteral("Diese Felder sind optional und müssen nicht ausgefüllt werden.")});
    addSpacing(6);
    FE1 = addEdit(QStringLiteral("Name:"), QStringLiteral("FE1"), &TAbsenderDataRecord::Verfasser, 40);
    FE2 = addEdit(QStringLiteral("E-mail (z.B. vorname.name@firma.de):"), QStringLiteral("FE2"),
                  &TAbsenderDataRecord::Email, 50);
}

TAssiAbsSMTPFrame::TAssiAbsSMTPFrame(QWidget* parent)
    : TAssiStepFrame(QStringLiteral("AssiAbsSMTPFrame"), QStringLiteral("Postausgangsserver (SMTP)"), parent)
{
    addText({QStringLiteral("Bitte tragen Sie den Namen Ihres Postausgangsservers ein,"),
             QStringLiteral("z.B. smtp.ihr-provider.de. Diese Angabe ist erforderlich, da die"),
             QStringLiteral("Newsletter über diesen Server versendet werden.")});
    addSpacing(6);
    FE1 = addEdit(QStringLiteral("Postausgangsserver (SMTP):"), QStringLiteral("FE1"), &TAbsenderDataRecord::Host, 0,
                  true);
    FE2 = addEdit(QStringLiteral("Benutzer:"), QStringLiteral("FE2"), &TAbsenderDataRecord::UserID, 0);
    FE3 = addEdit(QStringLiteral("Passwort:"), QStringLiteral("FE3"), &TAbsenderDataRecord::UserPW, 0);
    FE3->setEchoMode(QLineEdit::Password);
    addSpacing(10);
    addText({QStringLiteral("Benutzer und Passwort tragen Sie bitte nur ein, wenn Ihr"),
             QStringLiteral("Postausgangsserver eine Anmeldung verlangt."),
             QStringLiteral("Fragen Sie bitte im Zweifelsfall bei Ihrem Provider nach.")});
}

TAssiAbsSchlussFrame::TAssiAbsSchlussFrame(QWidget* parent)
    : TAssiStepFrame(QStringLiteral("AssiAbsSchlussFrame"), QString(), parent)
{
    addText({QStringLiteral("Das Einrichten eines Absenders ist nun abgeschlossen."), QString(),
             QStringLiteral("Klicken Sie auf Fertigstellen um den Assistenten zu beenden.")});
    addSpacing(16);
    addText({QStringLiteral("Hinweis:")});
    addText({QStringLiteral("Jeder Wert eines Absenders kann über seinen Platzhalter in die"),
             QStringLiteral("Newsletter eingefügt werden. Näheres dazu finden Sie in der"),
             QStringLiteral("Online-Hilfe oder im Handbuch.")});
}
