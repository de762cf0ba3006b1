#include "core/DFUEFrame.h"

#include "core/Records.h"

#include <QGridLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>

#include <limits>

TDFUEFrame::TDFUEFrame(QWidget* parent) : TOptionFrame(parent)
{
    setObjectName(QStringLiteral("DFUEFrame"));
    FRB1 = new QRadioButton(QStringLiteral("Verbindung ins Internet über DFÜ-Netzwerk"), this);
    FRB1->setObjectName(QStringLiteral("FRB1"));
    FRB1->setChecked(true);
    FRB2 = new QRadioButton(QStringLiteral("Verbindung ins Internet über feste Verbindung"), this);
    FRB2->setObjectName(QStringLiteral("FRB2"));
    auto* note = new QLabel(QStringLiteral("(z.B.: DSL, Standleitung, LAN o.ä.)"), this);

    FSE1 = new QSpinBox(this);
    FSE1->setObjectName(QStringLiteral("FSE1"));
    // The registry holds the value as a 32-bit integer: the spin edit's full range fits.
    FSE1->setRange(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    FSE1->setFixedWidth(80);
    connect(FSE1, &QSpinBox::valueChanged, this, &TDFUEFrame::FSE1Change);
    auto* mailsLabel =
        new QLabel(QStringLiteral("Newsletter bzw. Serien-Emails pro Verbindung.\n( 0 = keine Unterbrechung)"), this);

    auto* layout = new QGridLayout(this);
    layout->addWidget(FRB1, 0, 0, 1, 2);
    layout->addWidget(FRB2, 1, 0, 1, 2);
    layout->addWidget(note, 2, 0, 1, 2);
    note->setContentsMargins(20, 0, 0, 0);
    layout->setRowMinimumHeight(3, 12);
    layout->addWidget(FSE1, 4, 0, Qt::AlignTop);
    layout->addWidget(mailsLabel, 4, 1);
    layout->setColumnStretch(1, 1);
    layout->setRowStretch(5, 1);
}

void TDFUEFrame::LoadFromOptions(const TOptionData& Data)
{
    (Data.DialUp ? FRB1 : FRB2)->setChecked(true);
    FSE1->setValue(Data.MailsPerConnection);
}

void TDFUEFrame::StoreToOptions(TOptionData& Data) const
{
    Data.DialUp = FRB1->isChecked();
    Data.MailsPerConnection = FSE1->value();
}

void TDFUEFrame::FSE1Change(int value)
{
    if (value < 0)
        FSE1->setValue(0);
}
