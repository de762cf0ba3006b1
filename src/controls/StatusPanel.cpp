#include "controls/StatusPanel.h"

#include "controls/DialogLook.h"

#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QShowEvent>

namespace {

constexpr int kWidth = 366;
constexpr int kHeight = 123;

QLabel* whiteLabel(QWidget* parent, bool bold, const QRect& geometry)
{
    auto* label = new QLabel(parent);
    label->setGeometry(geometry);
    label->setStyleSheet(bold ? QStringLiteral("color: white; font-weight: bold;") : QStringLiteral("color: white;"));
    return label;
}

} // namespace

TStatusPanel::TStatusPanel(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
{
    setWindowTitle(QStringLiteral("Status"));
    setFixedSize(kWidth, kHeight);
    QFont font(QStringLiteral("Verdana"));
    font.setPixelSize(11);
    setFont(font);
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(110, 122, 148));
    setPalette(colours);

    m_frame = new QFrame(this);
    m_frame->setFrameShape(QFrame::Box);
    m_frame->setStyleSheet(QStringLiteral("QFrame { border: 1px solid black; background: transparent; }"));
    m_frame->setGeometry(rect());

    Label2 = whiteLabel(this, true, {12, 8, 337, 16});
    Label3 = whiteLabel(this, false, {12, 30, 337, 16});
    FPB1 = new QProgressBar(this);
    FPB1->setGeometry(12, 50, 337, 16);
    FPB1->setRange(0, 100);
    FPB1->setValue(0);
    FPB1->setTextVisible(false);
    FPB1->setStyleSheet(QStringLiteral("QProgressBar { background: white; border: 1px solid black; }"
                                       "QProgressBar::chunk { background: rgb(255, 152, 0); }"));
    Label1 = whiteLabel(this, true, {12, 72, 250, 32});
    Label1->setText(QStringLiteral("Bitte warten ..."));
}

void TStatusPanel::setTitle(const QString& title)
{
    Label2->setText(title);
}

void TStatusPanel::setStatusText(const QString& text)
{
    Label3->setText(text);
}

void TStatusPanel::initProgress(int maximum)
{
    FPB1->setMaximum(qMax(0, maximum));
    FPB1->setValue(0);
}

void TStatusPanel::stepProgress()
{
    FPB1->setValue(qMin(FPB1->value() + 1, FPB1->maximum()));
}

void TStatusPanel::setPanelHeight(int height)
{
    setFixedSize(kWidth, height);
    m_frame->setGeometry(rect());
}

void TStatusPanel::showEvent(QShowEvent* event)
{
    if (!event->spontaneous())
        centreOnScreen(this);
    QWidget::showEvent(event);
}
