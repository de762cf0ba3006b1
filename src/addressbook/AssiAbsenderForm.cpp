#include "addressbook/AssiAbsenderForm.h"

#include "addressbook/AssiSteps.h"
#include "addressbook/ScreenDatabase.h"
#include "addressbook/ScreenLook.h"
#include "controls/ActionButton.h"
#include "controls/DialogKeys.h"
#include "controls/DialogLook.h"
#include "controls/TFlatSB.h"
#include "core/Artwork.h"
#include "core/CredentialCodec.h"
#include "core/DM.h"
#include "core/DatabaseSchema.h"
#include "desktop/CommandUpdater.h"
#include "desktop/MessageBoxes.h"

#include <QAction>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kFirstStep = 1;
constexpr int kLastStep = 6;

// The most characters a column of Verfasser holds.
int senderColumnWidth(const QString& column)
{
    const DbSchema& schema = newsDatabaseSchema();
    for (const DbColumn& each : schema.tables.at(schema.indexOfTable(QStringLiteral("Verfasser"))).columns) {
        if (each.name == column)
            return each.width;
    }
    return 0;
}

// The stored form of a user name or password: encoded, or '' for an empty value.
QString storedCredential(const QString& value)
{
    return value.isEmpty() ? QString() : EncodeCredential(value);
}

// The letters of the splash picture, whole and as wide as the panel, at its foot; above them the
// picture's own top colour.
QPixmap sidePicture(QSize size)
{
    const QImage letters =
        Artwork::splashPicture().copy(1, 1, 160, 208).scaledToWidth(size.width(), Qt::SmoothTransformation).toImage();
    QPixmap side(size);
    side.fill(letters.pixelColor(0, 0));
    QPainter painter(&side);
    painter.drawImage(QPoint(0, size.height() - letters.height()), letters);
    return side;
}

} // namespace

TAssiAbsenderForm::TAssiAbsenderForm(TDM2& dm, QWidget* parent)
    : QDialog(parent), AssiAbsBack(new QAction(QStringLiteral("< Zurück"), this)),
      AssiAbsFor(new QAction(QStringLiteral("Weiter >"), this)), m_dm(dm), m_updater(new CommandUpdater(this))
{
    setObjectName(QStringLiteral("AssiAbsenderForm"));
    setWindowTitle(QStringLiteral("Assistent"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(560, 400);
    ScreenLook::styleSurface(this);
    AssiAbsBack->setObjectName(QStringLiteral("AssiAbsBack"));
    AssiAbsBack->setEnabled(false);
    AssiAbsFor->setObjectName(QStringLiteral("AssiAbsFor"));

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    auto* picture = new QLabel(this);
    picture->setPixmap(sidePicture(QSize(130, height())));
    picture->setFixedWidth(130);
    row->addWidget(picture);

    auto* column = new QVBoxLayout;
    column->setContentsMargins(0, 0, 0, 8);
    column->setSpacing(6);
    row->addLayout(column, 1);
    column->addWidget(buildBand());

    P2 = new QWidget(this);
    P2->setObjectName(QStringLiteral("P2"));
    m_stepHost = new QVBoxLayout(P2);
    m_stepHost->setContentsMargins(0, 0, 0, 0);
    column->addWidget(P2, 1);

    auto* separator = new QFrame(this);
    separator->setFrameShape(QFrame::HLine);
    separator->setFrameShadow(QFrame::Sunken);
    column->addWidget(separator);

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(10, 0, 10, 0);
    buttons->addStretch(1);
    FlatSB2 = new TFlatSB(this);
    FlatSB2->setObjectName(QStringLiteral("FlatSB2"));
    FlatSB1 = new TFlatSB(this);
    FlatSB1->setObjectName(QStringLiteral("FlatSB1"));
    FlatSB3 = new TFlatSB(QStringLiteral("Abbrechen"), this);
    FlatSB3->setObjectName(QStringLiteral("FlatSB3"));
    linkButtonToAction(FlatSB2, AssiAbsBack);
    linkButtonToAction(FlatSB1, AssiAbsFor);
    buttons->addWidget(FlatSB2);
    buttons->addWidget(FlatSB1);
    buttons->addSpacing(12);
    buttons->addWidget(FlatSB3);
    column->addLayout(buttons);

    connect(AssiAbsFor, &QAction::triggered, this, &TAssiAbsenderForm::AssiAbsForExecute);
    connect(AssiAbsBack, &QAction::triggered, this, &TAssiAbsenderForm::AssiAbsBackExecute);
    connect(FlatSB3, &QAbstractButton::clicked, this, &TAssiAbsenderForm::FlatSB3Click);
    // Escape asks like "Abbrechen", so a slip of the finger does not throw the typed values away.
    linkDialogKeys(this, FlatSB1, FlatSB3);
    // The forward command has no update of its own: the back command's handler sets its caption.
    m_updater->addCommand(AssiAbsBack, [this](QAction*) { AssiAbsBackUpdate(); });

    centreOnScreen(this);
}

TAssiAbsenderForm::~TAssiAbsenderForm() = default;

QWidget* TAssiAbsenderForm::buildBand()
{
    auto* band = new QWidget(this);
    band->setAutoFillBackground(true);
    QPalette colours = band->palette();
    colours.setColor(QPalette::Window, Qt::white);
    colours.setColor(QPalette::WindowText, Qt::black);
    band->setPalette(colours);
    band->setFixedHeight(48);
    auto* line = new QHBoxLayout(band);
    line->setContentsMargins(14, 0, 10, 0);
    auto* heading = new QLabel(QStringLiteral("RerivOvov - Assistent..."), band);
    QFont bold = heading->font();
    bold.setBold(true);
    bold.setPixelSize(13);
    heading->setFont(bold);
    line->addWidget(heading, 1);
    auto* icon = new QLabel(band);
    icon->setPixmap(Artwork::image(Artwork::ImgSenders).pixmap(32, 32));
    line->addWidget(icon);
    return band;
}

std::array<TAssiStepFrame*, 6> TAssiAbsenderForm::stepSlots() const
{
    return {WelcomeFrame, AddressFrame, CommFrame, AuthorFrame, SmtpFrame, FinalFrame};
}

int TAssiAbsenderForm::currentStep() const
{
    const auto frames = stepSlots();
    const auto shown = std::find_if(frames.begin(), frames.end(), [](TAssiStepFrame* frame) { return frame; });
    return shown == frames.end() ? 0 : int(shown - frames.begin()) + kFirstStep;
}

TAssiStepFrame* TAssiAbsenderForm::currentFrame() const
{
    const int step = currentStep();
    return step == 0 ? nullptr : stepSlots()[step - kFirstStep];
}

void TAssiAbsenderForm::updateCommands()
{
    m_updater->runIdleUpdates();
}

void TAssiAbsenderForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // A window shown again after being minimised keeps its step.
    if (m_record)
        return;
    ClearFrameSlots();
    NewRecord();
    ShowWelcomeStep();
}

void TAssiAbsenderForm::done(int result)
{
    CloseCurrentStep();
    FreeRecord();
    QDialog::done(result);
}

void TAssiAbsenderForm::NewRecord()
{
    m_record = std::make_unique<TAbsenderDataRecord>();
}

void TAssiAbsenderForm::FreeRecord()
{
    m_record.reset();
}

void TAssiAbsenderForm::ClearFrameSlots()
{
    WelcomeFrame = nullptr;
    AddressFrame = nullptr;
    CommFrame = nullptr;
    AuthorFrame = nullptr;
    SmtpFrame = nullptr;
    FinalFrame = nullptr;
}

void TAssiAbsenderForm::CloseCurrentStep()
{
    TAssiStepFrame* frame = currentFrame();
    if (!frame)
        return;
    if (m_record)
        frame->StoreRecord(*m_record);
    delete frame;
    ClearFrameSlots();
}

void TAssiAbsenderForm::ShowWelcomeStep()
{
    if (!WelcomeFrame)
        goToStep(kFirstStep);
}

void TAssiAbsenderForm::goToStep(int step)
{
    CloseCurrentStep();
    TAssiStepFrame* frame = nullptr;
    switch (step) {
    case 1:
        frame = WelcomeFrame = new TAssiAllgemeinFrame(P2);
        break;
    case 2:
        frame = AddressFrame = new TAssiAbsAdressFrame(P2);
        break;
    case 3:
        frame = CommFrame = new TAssiAbsKommFrame(P2);
        break;
    case 4:
        frame = AuthorFrame = new TAssiAbsVerfasserFrame(P2);
        break;
    case 5:
        frame = SmtpFrame = new TAssiAbsSMTPFrame(P2);
        break;
    default:
        frame = FinalFrame = new TAssiAbsSchlussFrame(P2);
        break;
    }
    m_stepHost->addWidget(frame);
    frame->show();
    frame->LoadRecord(*m_record);
}

void TAssiAbsenderForm::AssiAbsForExecute()
{
    WizardStep(true);
}

void TAssiAbsenderForm::AssiAbsBackExecute()
{
    WizardStep(false);
}

void TAssiAbsenderForm::WizardStep(bool forward)
{
    const int step = currentStep();
    if (step == 0 || !m_record)
        return;
    if (!forward) {
        if (step > kFirstStep)
            goToStep(step - 1);
        return;
    }
    if (step == kLastStep) {
        // After a failed save the wizard stays on this step with every value, to be finished
        // again once the cause is gone.
        if (SaveWizardSender())
            accept();
        return;
    }
    // The typed values are kept in the record also when the step refuses to move on.
    currentFrame()->StoreRecord(*m_record);
    if (StepValuesAccepted())
        goToStep(step + 1);
}

bool TAssiAbsenderForm::StepValuesAccepted()
{
    auto refuse = [this](const QString& text) {
        MessageBoxes::information(text, this);
        return false;
    };
    const TAbsenderDataRecord& record = *m_record;
    switch (currentStep()) {
    case 2:
        if (record.Firma.isEmpty())
            return refuse(QStringLiteral("Bitte tragen Sie erst einen Absendernamen ein."));
        break;
    case 3:
        if (record.Firmenemail.isEmpty())
            return refuse(QStringLiteral("Bitte tragen Sie erst die Emailadresse des Absenders ein."));
        break;
    case 5: {
        if (record.Host.isEmpty())
            return refuse(QStringLiteral("Bitte tragen Sie erst den Namen Ihres Postausgangsservers ein."));
        // Typing has no limit on this step, but a value the table cannot hold would make the
        // final save fail and every typed value would be lost with the closing wizard.
        const int hostWidth = senderColumnWidth(QStringLiteral("Host"));
        if (record.Host.size() > hostWidth)
            return refuse(
                QStringLiteral("Der Name des Postausgangsservers darf höchstens %1 Zeichen lang sein.").arg(hostWidth));
        if (storedCredential(record.UserID).size() > senderColumnWidth(QStringLiteral("UserID")))
            return refuse(QStringLiteral("Der Benutzer ist zu lang und kann nicht gespeichert werden."));
        if (storedCredential(record.UserPW).size() > senderColumnWidth(QStringLiteral("UserPW")))
            return refuse(QStringLiteral("Das Passwort ist zu lang und kann nicht gespeichert werden."));
        break;
    }
    default:
        break;
    }
    return true;
}

bool TAssiAbsenderForm::SaveWizardSender()
{
    const TAbsenderDataRecord& record = *m_record;
    DbQuery& query = m_dm.AbsendQuery;
    query.disableControls();
    try {
        ScreenDatabase::program(query, {QStringLiteral("SELECT * FROM Verfasser"), QStringLiteral("ORDER BY Firma")});
        query.open();
        if (query.isOpen()) {
            query.append();
            const std::pair<const char*, QString> columns[] = {{"Firma", record.Firma},
                                                               {"Strasse", record.Strasse},
                                                               {"PLZ", record.PLZ},
                                                               {"Ort", record.Ort},
                                                               {"Tel", record.Tel},
                                                               {"Fax", record.Fax},
                                                               {"Firmenemail", record.Firmenemail},
                                                               {"Web", record.Web},
                                                               {"Verfasser", record.Verfasser},
                                                               {"Email", record.Email},
                                                               {"Host", record.Host},
                                                               {"UserID", storedCredential(record.UserID)},
                                                               {"UserPW", storedCredential(record.UserPW)}};
            for (const auto& [name, value] : columns)
                query.fieldByName(QString::fromLatin1(name)).setAsString(value);
            query.post();
        }
    } catch (const std::exception& e) {
        // Closing drops a pending append, so no half-written row stays in the shared query.
        query.close();
        query.enableControls();
        ScreenDatabase::showFailure(e);
        return false;
    }
    query.enableControls();
    return true;
}

void TAssiAbsenderForm::AssiAbsBackUpdate()
{
    const int step = currentStep();
    const bool backEnabled = step > kFirstStep;
    if (AssiAbsBack->isEnabled() != backEnabled)
        AssiAbsBack->setEnabled(backEnabled);
    const QString forwardCaption = step == kLastStep ? QStringLiteral("Fertigstellen") : QStringLiteral("Weiter >");
    if (AssiAbsFor->text() != forwardCaption)
        AssiAbsFor->setText(forwardCaption);
}

void TAssiAbsenderForm::FlatSB3Click()
{
    if (MessageBoxes::askYesNo(QStringLiteral("Assistent beenden?"), MsgIcon::Question, this))
        reject();
}
