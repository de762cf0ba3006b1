#include "mailing/UserSpass.h"

#include "mailing/SendLogFiles.h"
#include "mailing/SendResult.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

namespace {

constexpr int kWidth = 366;
constexpr int kHeight = 123;
constexpr int kResultHeight = 180; // brings the report button below "OK" into view

StatusWindowLinks& links()
{
    static StatusWindowLinks instance;
    return instance;
}

QLabel* whiteLabel(QWidget* parent, bool bold, const QRect& geometry)
{
    auto* label = new QLabel(parent);
    label->setGeometry(geometry);
    label->setStyleSheet(bold ? QStringLiteral("color: white; font-weight: bold;")
                              : QStringLiteral("color: white;"));
    return label;
}

} // namespace

void TUserSP::setMainWindowLinks(StatusWindowLinks newLinks)
{
    links() = std::move(newLinks);
}

TUserSP::TUserSP(QWidget* parent)
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

    FlatSB1 = new QPushButton(this);
    FlatSB1->setGeometry(272, 88, 77, 23);
    connect(FlatSB1, &QPushButton::clicked, this, &TUserSP::FlatSB1Click);

    USPBericht = new QAction(QStringLiteral("Bericht"), this);
    USPBericht->setVisible(false);
    connect(USPBericht, &QAction::triggered, this, &TUserSP::USPBerichtExecute);
    FlatSB2 = new QPushButton(this);
    FlatSB2->setGeometry(272, 142, 77, 23);
    FlatSB2->setVisible(false);
    connect(FlatSB2, &QPushButton::clicked, USPBericht, &QAction::trigger);
    connect(USPBericht, &QAction::changed, FlatSB2, [this] {
        FlatSB2->setText(USPBericht->text());
        FlatSB2->setVisible(USPBericht->isVisible());
        FlatSB2->setEnabled(USPBericht->isEnabled());
    });
}

void TUserSP::setTitle(const QString& title)
{
    Label2->setText(title);
}

void TUserSP::setStatusText(const QString& text)
{
    Label3->setText(text);
}

void TUserSP::initProgress(int maximum)
{
    FPB1->setMaximum(qMax(0, maximum));
    FPB1->setValue(0);
}

void TUserSP::stepProgress()
{
    FPB1->setValue(qMin(FPB1->value() + 1, FPB1->maximum()));
}

void TUserSP::ShowResult(int code, const QString& detail)
{
    if (isMinimized())
        showNormal();
    else {
        raise();
        activateWindow();
    }
    // A line break inside a result text is CR LF; the label breaks at LF.
    Label1->setText(SendResultText(code).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    Label3->setText(detail);
    FlatSB1->setText(QStringLiteral("OK"));
    m_buttonTag = 1;
    setFixedSize(kWidth, kResultHeight);
    m_frame->setGeometry(rect());
    USPBericht->setText(QStringLiteral("Bericht"));
    USPBericht->setEnabled(!LogName.isEmpty());
    USPBericht->setVisible(true);
    repaint();
    if (!LogName.isEmpty()) {
        LogFile = LogName;
        LogTitle = LogTitleFromFileName(QFileInfo(LogFile).fileName());
    }
}

void TUserSP::showEvent(QShowEvent* event)
{
    if (Mode == 1) {
        FlatSB1->setVisible(true);
        if (m_buttonTag == 0)
            FlatSB1->setText(QStringLiteral("Abbrechen"));
    } else {
        FlatSB1->setVisible(false);
    }
    if (!event->spontaneous() && screen())
        move(screen()->availableGeometry().center() - rect().center());
    QWidget::showEvent(event);
}

void TUserSP::closeEvent(QCloseEvent* event)
{
    // Closing never cancels a run; the window is only hidden and freed later by its owner.
    Closed = true;
    const StatusWindowLinks& main = links();
    if (main.sendWindowClosed)
        main.sendWindowClosed();
    if (Mode == 1 && main.logsChanged)
        main.logsChanged();
    event->accept();
}

void TUserSP::FlatSB1Click()
{
    if (m_buttonTag == 0)
        m_cancel->store(true);
    else if (m_buttonTag == 1)
        close();
}

void TUserSP::USPBerichtExecute()
{
    if (links().showLog)
        links().showLog(LogTitle, LogFile);
}
