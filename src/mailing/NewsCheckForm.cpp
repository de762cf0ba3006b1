#include "mailing/NewsCheckForm.h"

#include "controls/DialogButtons.h"
#include "controls/DialogKeys.h"
#include "controls/DialogLook.h"
#include "controls/TFlatSB.h"
#include "controls/TTACutLabel.h"
#include "core/StartForm.h"
#include "mailing/RecipientCheckModel.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QTableView>

namespace {

TTACutLabel* valueLabel(QWidget* parent, int y)
{
    auto* label = new TTACutLabel(parent);
    label->setAutoSize(false);
    label->setGeometry(160, y, 369, 16);
    QPalette colours = label->palette();
    colours.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(colours);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    return label;
}

void captionLabel(QWidget* parent, const QString& text, int y)
{
    QLabel* label = whiteLabel(parent);
    label->setText(text);
    label->setGeometry(10, y, 148, 16);
}

} // namespace

TNewsCheckForm::TNewsCheckForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint), m_model(new RecipientCheckModel(this))
{
    setObjectName(QStringLiteral("NewsCheckForm"));
    setWindowTitle(QStringLiteral("Newsletter versenden - Empfängerübersicht"));
    setFixedSize(540, 417);
    applyDialogLook(this);

    captionLabel(this, QStringLiteral("Absenderfirma:"), 10);
    TAL7 = valueLabel(this, 10);
    captionLabel(this, QStringLiteral("Absender E-Mail:"), 28);
    TAL8 = valueLabel(this, 28);
    captionLabel(this, QStringLiteral("Betreff des Newsletters:"), 46);
    TAL9 = valueLabel(this, 46);
    captionLabel(this, QStringLiteral("Newsletter:"), 64);
    TAL10 = valueLabel(this, 64);
    QLabel* listCaption = whiteLabel(this);
    listCaption->setText(QStringLiteral("Newsletter senden an folgende Empfänger:"));
    listCaption->setGeometry(10, 90, 520, 16);

    LV1 = new QTableView(this);
    LV1->setObjectName(QStringLiteral("LV1"));
    LV1->setModel(m_model);
    LV1->setGeometry(10, 110, 520, 230);
    LV1->setSelectionBehavior(QAbstractItemView::SelectRows);
    LV1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    LV1->setSortingEnabled(false);
    LV1->setShowGrid(false);
    LV1->setFrameShape(QFrame::NoFrame);
    LV1->verticalHeader()->hide();
    // Uniform rows: the view never measures 100,000 of them.
    LV1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    LV1->verticalHeader()->setDefaultSectionSize(18);
    LV1->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    LV1->horizontalHeader()->setDefaultSectionSize(150);
    LV1->horizontalHeader()->setSectionsClickable(false);

    QLabel* hint = whiteLabel(this);
    hint->setText(QStringLiteral("Wählen Sie hier die Empfänger ab, an die der\r\n"
                                 "aktuelle Newsletter nicht versendet werden soll."));
    hint->setGeometry(10, 352, 330, 30);

    FlatSB2 = cancelButton(this);
    FlatSB2->move(352, 382);
    FlatSB1 = new TFlatSB(QStringLiteral("Senden"), this);
    FlatSB1->move(445, 382);
    connect(FlatSB1, &QAbstractButton::clicked, this, &TNewsCheckForm::FlatSB1Click);
    linkDialogKeys(this, FlatSB1, FlatSB2);
    centreOnScreen(this);
}

TNewsCheckForm::~TNewsCheckForm() = default;

void TNewsCheckForm::Setup(const TFDBData& Recipients, const QString& Company, const QString& Email,
                           const QString& Subject, const QString& FileName, std::unique_ptr<TPStartForm>& Progress)
{
    if (Progress) {
        Progress->FPB1->setValue(0);
        Progress->FPB1->setMaximum(Recipients.size() >= 2 ? int(Recipients.size() - 1) : 1);
        Progress->showStatus(QStringLiteral("Empfängerdaten werden aufbereitet..."));
    }
    TAL7->setCaption(Company);
    TAL8->setCaption(Email);
    TAL9->setCaption(Subject);
    TAL10->setCaption(FileName);
    // The model reads the records where they are; no per-row copy is made.
    m_model->setRecords(&Recipients);
    if (Progress) {
        Progress->FPB1->setValue(Progress->FPB1->maximum());
        Progress.reset();
        QApplication::processEvents();
    }
}

void TNewsCheckForm::ApplyUnchecked(TFDBData& Recipients) const
{
    m_model->applyUnticked(Recipients);
}

void TNewsCheckForm::showEvent(QShowEvent* event)
{
    Result = 0;
    QDialog::showEvent(event);
}

void TNewsCheckForm::FlatSB1Click()
{
    Result = 1;
    accept();
}
