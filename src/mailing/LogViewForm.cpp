#include "mailing/LogViewForm.h"

#include "controls/DialogLook.h"
#include "controls/TFlatSB.h"
#include "controls/TTACutLabel.h"
#include "desktop/MessageBoxes.h"
#include "platform/TextCodec.h"

#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {

const QSize kSize(640, 480);

// Logs end their lines with CR LF; the text box wants LF.
QString logText(const QByteArray& bytes)
{
    QString text = TextCodec::decodeFileText(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

} // namespace

TLogViewForm::TLogViewForm(LogPrintSeams printSeams, QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_printSeams(std::move(printSeams))
{
    setObjectName(QStringLiteral("LogViewForm"));
    setWindowTitle(QStringLiteral("Protokollansicht"));

    Label1 = new QLabel(QStringLiteral("Protokoll:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label2 = new TTACutLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setAutoSize(false);
    QFont bold = Label2->font();
    bold.setBold(true);
    Label2->setFont(bold);

    RE1 = new QPlainTextEdit(this);
    RE1->setObjectName(QStringLiteral("RE1"));
    RE1->setReadOnly(true);
    RE1->setLineWrapMode(QPlainTextEdit::NoWrap);
    RE1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RE1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    FlatSB2 = new TFlatSB(QStringLiteral("Drucken"), this);
    FlatSB2->setObjectName(QStringLiteral("FlatSB2"));
    FlatSB1 = new TFlatSB(QStringLiteral("Schließen"), this);
    FlatSB1->setObjectName(QStringLiteral("FlatSB1"));
    FlatSB1->setFont(bold);
    connect(FlatSB2, &TFlatSB::clicked, this, &TLogViewForm::PrintShownLog);
    connect(FlatSB1, &TFlatSB::clicked, this, &QWidget::close);

    auto* heading = new QHBoxLayout;
    heading->addWidget(Label1);
    heading->addWidget(Label2, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(FlatSB2);
    buttons->addWidget(FlatSB1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(heading);
    layout->addWidget(RE1, 1);
    layout->addLayout(buttons);
    setFixedSize(kSize);
}

bool TLogViewForm::LoadLog(const QString& title, const QString& fileName)
{
    QFile file(fileName);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    if (!file.isOpen() || file.error() != QFileDevice::NoError) {
        MessageBoxes::error(QStringLiteral("Datei ") + fileName +
                                QStringLiteral(" konnte nicht gelesen werden!\r\n\r\n") + file.errorString(),
                            this);
        return false;
    }
    Label2->setCaption(title);
    RE1->setPlainText(logText(bytes));
    ShownLogTitle = title;
    return true;
}

void TLogViewForm::PrintShownLog()
{
    PrintLog(ShownLogTitle, *RE1->document(), this, m_printSeams);
}

void TLogViewForm::showEvent(QShowEvent* event)
{
    if (!m_placed) {
        centreOnScreen(this);
        m_placed = true;
    }
    QWidget::showEvent(event);
}
