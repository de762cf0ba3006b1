#include "backup/BackupUSPForm.h"

#include "controls/ControlText.h"
#include "controls/TFlatSB.h"
#include "desktop/MessageBoxes.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>

namespace {

constexpr int kFileLabelWidth = 300;

QProgressBar* bar(const QString& name, QWidget* parent)
{
    auto* progress = new QProgressBar(parent);
    progress->setObjectName(name);
    progress->setTextVisible(false);
    progress->setRange(0, 1);
    progress->setValue(0);
    progress->setFixedHeight(16);
    return progress;
}

} // namespace

TBackupUSPForm::TBackupUSPForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("BackupUSPForm"));
    setWindowTitle(QStringLiteral("kubNEWSLETTER"));
    setModal(false);

    Label1 = new QLabel(QStringLiteral("Sicherung..."), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont bold = Label1->font();
    bold.setBold(true);
    Label1->setFont(bold);
    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label3 = new QLabel(this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setTextFormat(Qt::PlainText);
    Label3->setFixedWidth(kFileLabelWidth);
    auto* label4 = new QLabel(QStringLiteral("Dateistatus:"), this);
    label4->setObjectName(QStringLiteral("Label4"));
    auto* label5 = new QLabel(QStringLiteral("Gesamtstatus:"), this);
    label5->setObjectName(QStringLiteral("Label5"));
    FPB1 = bar(QStringLiteral("FPB1"), this);
    FPB2 = bar(QStringLiteral("FPB2"), this);
    FlatSB1 = new TFlatSB(QStringLiteral("Abbrechen"), this);
    FlatSB1->setObjectName(QStringLiteral("FlatSB1"));
    connect(FlatSB1, &TFlatSB::clicked, this, &TBackupUSPForm::FlatSB1Click);

    auto* bars = new QGridLayout;
    bars->addWidget(label4, 0, 0);
    bars->addWidget(FPB1, 0, 1);
    bars->addWidget(label5, 1, 0);
    bars->addWidget(FPB2, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(FlatSB1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(Label2);
    layout->addWidget(Label3);
    layout->addLayout(bars);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

bool TBackupUSPForm::isCancelled()
{
    if (m_pollHook)
        m_pollHook(*this);
    return Cancelled;
}

void TBackupUSPForm::showFileName(const QString& name)
{
    Label3->setText(ShortenPath(name, Label3->fontMetrics(), Label3->width()));
}

void TBackupUSPForm::setBarMaxima(int fileMaximum, int totalMaximum)
{
    FPB1->setRange(0, fileMaximum);
    FPB1->setValue(0);
    FPB2->setRange(0, totalMaximum);
    FPB2->setValue(0);
}

void TBackupUSPForm::reject()
{
    if (FlatSB1->isEnabled())
        FlatSB1Click();
}

void TBackupUSPForm::closeEvent(QCloseEvent* event)
{
    event->ignore();
}

void TBackupUSPForm::FlatSB1Click()
{
    if (!MessageBoxes::askYesNo(QStringLiteral("Sicherung abbrechen?"), MsgIcon::Warning, this))
        return;
    Cancelled = true;
    QCoreApplication::processEvents();
}
