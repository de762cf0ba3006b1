#include "app/Main.h"

#include "controls/ColorNumber.h"
#include "controls/DialogLook.h"
#include "core/AboutForm.h"
#include "core/Artwork.h"
#include "core/FormPlacement.h"
#include "core/LogListing.h"
#include "core/MainMenuLook.h"
#include "core/OptionForm.h"
#include "core/SendSlotTable.h"
#include "core/SettingsStore.h"
#include "desktop/CommandUpdater.h"
#include "desktop/MessageBoxes.h"
#include "desktop/ScreenCursor.h"
#include "mailing/LogViewForm.h"
#include "mailing/ProtoModForm.h"
#include "mailing/UserSpass.h"
#include "platform/AppPaths.h"
#include "platform/BusyGuard.h"
#include "platform/WindowMessages.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QSplitter>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <exception>

namespace {

const QSize kMinimumSize(780, 580);
constexpr int kFileNameRole = Qt::UserRole;

// The banner across the top of the main window.
class BannerPanel : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        Artwork::paintBanner(painter, rect());
    }
};

QFrame* panel(const QString& name, QWidget* parent)
{
    auto* frame = new QFrame(parent);
    frame->setObjectName(name);
    frame->setAutoFillBackground(true);
    QPalette colours = frame->palette();
    colours.setColor(QPalette::Window, colorFromNumber(9730670));
    frame->setPalette(colours);
    return frame;
}

QTreeWidgetItem* node(QTreeWidgetItem* parent, const QString& caption, int image)
{
    auto* item = new QTreeWidgetItem(parent, QStringList{caption});
    item->setIcon(0, Artwork::image(image));
    return item;
}

QString exceptionText(const std::exception& e)
{
    return QString::fromUtf8(e.what());
}

} // namespace

TMainForm::TMainForm(TMainFormSeams seams, QWidget* parent)
    : QMainWindow(parent), m_seams(std::move(seams)), m_commandUpdater(new CommandUpdater(this)),
      m_sendSlots(
          new TSendSlotTable({[] { return new TUserSP; },
                              [](const QWidget* window) { return static_cast<const TUserSP*>(window)->Closed; }},
                             this))
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("kubNEWSLETTER V 1.2"));
    setWindowIcon(Artwork::image(Artwork::ImgProgram));
    buildLayout();
    buildMenus();
    MC1 = InstallMainMenuLook(this);
    WindowMessages::setMainWindow(this);
    m_commandUpdater->setIdleHandler([this] { m_sendSlots->ReclaimFinishedSendSlots(); });

    resize(kMinimumSize);
    centreOnScreen(this);
    m_placement = new TFormPlacement(this, kMinimumSize);
    if (!m_placement->restore())
        setWindowState(Qt::WindowMaximized);
}

TMainForm::~TMainForm()
{
    FreeLogViewForm();
    FreeProtocolForm();
    delete m_placement;
}

void TMainForm::buildLayout()
{
    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto* banner = new BannerPanel(central);
    banner->setObjectName(QStringLiteral("BannerPanel"));
    banner->setFixedHeight(33);
    column->addWidget(banner);

    auto* splitter = new QSplitter(Qt::Horizontal, central);
    splitter->setObjectName(QStringLiteral("Splitter1"));
    splitter->setChildrenCollapsible(false);
    splitter->setHandleWidth(4);
    splitter->setStyleSheet(QStringLiteral("QSplitter::handle { background: rgb(84, 94, 116); }"));
    column->addWidget(splitter, 1);

    QFrame* treePanel = panel(QStringLiteral("TreePanel"), splitter);
    auto* treeColumn = new QVBoxLayout(treePanel);
    treeColumn->setContentsMargins(4, 4, 2, 4);
    treeColumn->setSpacing(3);
    auto* overview = new QLabel(QStringLiteral("Übersicht:"), treePanel);
    overview->setObjectName(QStringLiteral("Label1"));
    QFont bold = overview->font();
    bold.setBold(true);
    overview->setFont(bold);
    overview->setStyleSheet(QStringLiteral("color: white;"));
    treeColumn->addWidget(overview);
    NavTV1 = new TFlatTreeView(treePanel);
    NavTV1->setObjectName(QStringLiteral("NavTV1"));
    treeColumn->addWidget(NavTV1, 1);
    buildTree();

    FlatPanel3 = panel(QStringLiteral("FlatPanel3"), splitter);
    auto* hostLayout = new QVBoxLayout(FlatPanel3);
    hostLayout->setContentsMargins(0, 0, 0, 0);

    splitter->addWidget(treePanel);
    splitter->addWidget(FlatPanel3);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({185, kMinimumSize.width() - 185});
    setCentralWidget(central);
}

void TMainForm::buildTree()
{
    NavTV1->frame().setUpFlatLine(Qt::black);
    NavTV1->setHeaderHidden(true);
    NavTV1->setIndentation(19);
    NavTV1->setReadOnly(true);
    NavTV1->setHideSelection(false);
    NavTV1->setIconSize(QSize(16, 16));
    // The selection stays visible when the tree loses the focus.
    QPalette colours = NavTV1->palette();
    for (const QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        colours.setColor(QPalette::Inactive, role, colours.color(QPalette::Active, role));
    NavTV1->setPalette(colours);

    auto* program = new QTreeWidgetItem(NavTV1, QStringList{QStringLiteral("kubNEWSLETTER")});
    program->setIcon(0, Artwork::image(Artwork::ImgProgram));
    node(program, QStringLiteral("Absenderdaten"), Artwork::ImgSenders);
    node(program, QStringLiteral("Empfängerdaten"), Artwork::ImgRecipients);
    m_logsNode = new QTreeWidgetItem(NavTV1, QStringList{QStringLiteral("Protokolle")});
    m_logsNode->setIcon(0, Artwork::image(Artwork::ImgLogs));
    NavTV1->expandAll();

    connect(NavTV1, &QTreeWidget::itemClicked, this, [this] { NavTV1Click(); });
    connect(NavTV1, &QTreeWidget::itemDoubleClicked, this, [this] { NavTV1DblClick(); });
}

void TMainForm::buildMenus()
{
    auto item = [this](QMenu* menu, const QString& caption, int image, void (TMainForm::*handler)()) {
        QAction* action = menu->addAction(Artwork::image(image), caption);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };

    MainAbsender = new QAction(Artwork::image(Artwork::ImgSenders), QStringLiteral("Absenderdaten"), this);
    MainAbsender->setObjectName(QStringLiteral("MainAbsender"));
    connect(MainAbsender, &QAction::triggered, this, [this] {
        NavTV1->setCurrentItem(itemAt(1));
        NavTV1Click();
    });
    MainEmpf = new QAction(Artwork::image(Artwork::ImgRecipients), QStringLiteral("Empfängerdaten"), this);
    MainEmpf->setObjectName(QStringLiteral("MainEmpf"));
    connect(MainEmpf, &QAction::triggered, this, [this] {
        NavTV1->setCurrentItem(itemAt(2));
        NavTV1Click();
    });

    Bearbeiten1 = menuBar()->addMenu(QStringLiteral("Bearbeiten"));
    Bearbeiten1->setObjectName(QStringLiteral("Bearbeiten1"));
    Bearbeiten1->addAction(MainAbsender);
    Bearbeiten1->addAction(MainEmpf);
    Bearbeiten1->addSeparator();
    QAction* quit = Bearbeiten1->addAction(Artwork::image(Artwork::ImgQuit), QStringLiteral("Beenden"));
    connect(quit, &QAction::triggered, this, &QWidget::close);

    Erweitert1 = menuBar()->addMenu(QStringLiteral("Erweitert"));
    Erweitert1->setObjectName(QStringLiteral("Erweitert1"));
    item(Erweitert1, QStringLiteral("Protokolle..."), Artwork::ImgLogs, &TMainForm::Protokolle1Click);
    Erweitert1->addSeparator();
    Datensicherung1 = Erweitert1->addMenu(QStringLiteral("Datensicherung"));
    Datensicherung1->setObjectName(QStringLiteral("Datensicherung1"));
    item(Datensicherung1, QStringLiteral("Sichern"), Artwork::ImgBackup, &TMainForm::Sichern1Click);
    item(Datensicherung1, QStringLiteral("Einspielen"), Artwork::ImgRestore, &TMainForm::Einspielen1Click);
    item(Erweitert1, QStringLiteral("Einstellungen..."), Artwork::ImgSettings, &TMainForm::Einstellungen2Click);

    Hilfe1 = menuBar()->addMenu(QStringLiteral("&Hilfe"));
    Hilfe1->setObjectName(QStringLiteral("Hilfe1"));
    item(Hilfe1, QStringLiteral("&Inhalt"), Artwork::ImgHelpContents, &TMainForm::Inhalt1Click);
    Hilfe1->addSeparator();
    item(Hilfe1, QStringLiteral("In&fo..."), Artwork::ImgAbout, &TMainForm::Info2Click);

    // MainEmpf has no update handler of its own: the one of MainAbsender sets both.
    m_commandUpdater->addCommand(MainAbsender, [this](QAction*) { MainAbsenderUpdate(); });
}

int TMainForm::absoluteIndex(const QTreeWidgetItem* item) const
{
    if (!item)
        return -1;
    int index = 0;
    for (QTreeWidgetItemIterator it(NavTV1); *it; ++it, ++index) {
        if (*it == item)
            return index;
    }
    return -1;
}

QTreeWidgetItem* TMainForm::itemAt(int absoluteIndex) const
{
    int index = 0;
    for (QTreeWidgetItemIterator it(NavTV1); *it; ++it, ++index) {
        if (index == absoluteIndex)
            return *it;
    }
    return nullptr;
}

void TMainForm::MainAbsenderUpdate()
{
    MainAbsender->setEnabled(!m_databaseUnavailable);
    MainEmpf->setEnabled(!m_databaseUnavailable);
}

void TMainForm::setDatabaseUnavailable(bool unavailable)
{
    m_databaseUnavailable = unavailable;
    for (const int screenNode : {1, 2})
        itemAt(screenNode)->setDisabled(unavailable);
}

void TMainForm::NavTV1Click()
{
    // A long operation (import, backup, restore) still works on the hosted screen's data.
    if (BusyGuard::held() || m_databaseUnavailable)
        return;
    switch (absoluteIndex(NavTV1->currentItem())) {
    case 1:
        hostScreen(HostedScreen::Senders);
        break;
    case 2:
        hostScreen(HostedScreen::Recipients);
        break;
    default:
        break;
    }
}

void TMainForm::hostScreen(HostedScreen screen)
{
    if (m_hostedScreen == screen)
        return;
    HourglassCursor hourglass;
    try {
        ReleaseFrames();
        m_hostedScreen = screen;
        if (m_seams.createScreen) {
            m_hostedWidget = m_seams.createScreen(screen, FlatPanel3);
            if (m_hostedWidget)
                FlatPanel3->layout()->addWidget(m_hostedWidget);
        }
    } catch (const std::exception& e) {
        ScreenCursor::set(CursorShape::Default);
        MessageBoxes::error(exceptionText(e), this);
    }
}

void TMainForm::ReleaseFrames()
{
    delete m_hostedWidget.data();
    m_hostedScreen = HostedScreen::None;
}

void TMainForm::RefreshLogTree()
{
    qDeleteAll(m_logsNode->takeChildren());
    if (!m_seams.logListing)
        return;
    try {
        QStringList lines;
        if (!m_seams.logListing->ListLogFiles(lines))
            return;
        for (const QString& line : std::as_const(lines)) {
            const qsizetype bar = line.indexOf(u'|');
            if (bar < 0)
                continue;
            QTreeWidgetItem* log = node(m_logsNode, line.left(bar), Artwork::ImgLog);
            log->setData(0, kFileNameRole, line.mid(bar + 1));
        }
        m_logsNode->setExpanded(true);
    } catch (const std::exception& e) {
        MessageBoxes::error(QStringLiteral("#427 ") + exceptionText(e), this);
    }
}

void TMainForm::NavTV1DblClick()
{
    const QTreeWidgetItem* item = NavTV1->currentItem();
    if (absoluteIndex(item) <= 3)
        return;
    const QString caption = item->text(0);
    // "Fehlerhaft" is the title the listing gives to a file name it cannot read.
    if (caption.isEmpty() || caption.startsWith(QStringLiteral("Fehlerhaft")))
        return;
    const QString fileName = item->data(0, kFileNameRole).toString();
    if (fileName.isEmpty())
        return;
    const QString path = AppPaths::logFolder() + u'/' + fileName;
    if (!QFileInfo::exists(path)) {
        MessageBoxes::error(QStringLiteral("Datei ") + path + QStringLiteral(" konnte nicht gefunden werden!"), this);
        return;
    }
    ShowLog(caption, path);
}

void TMainForm::ShowLog(const QString& title, const QString& fileName)
{
    if (m_seams.openLogViewer) {
        m_seams.openLogViewer(title, fileName);
        return;
    }
    if (!LogViewForm)
        LogViewForm = new TLogViewForm;
    if (!LogViewForm->LoadLog(title, fileName))
        return;
    if (LogViewForm->isMinimized())
        LogViewForm->showNormal();
    else
        LogViewForm->show();
    LogViewForm->raise();
    LogViewForm->activateWindow();
}

void TMainForm::ShowProtocolForm()
{
    if (!ProtoModForm) {
        ProtoModForm = new TProtoModForm(
            m_seams.logListing, [this](const QString& title, const QString& fileName) { ShowLog(title, fileName); },
            [this](const QString& fileName) { return m_sendSlots->IsLogOfRunningSend(fileName); });
    }
    ProtoModForm->show();
    ProtoModForm->raise();
    ProtoModForm->activateWindow();
}

void TMainForm::FreeLogViewForm()
{
    delete LogViewForm;
    LogViewForm = nullptr;
}

void TMainForm::FreeProtocolForm()
{
    delete ProtoModForm;
    ProtoModForm = nullptr;
}

bool TMainForm::event(QEvent* event)
{
    if (event->type() == WindowMessages::WM_SENDWINDOWCLOSED) {
        m_sendSlots->WMSendWindowClosed();
        return true;
    }
    if (event->type() == WindowMessages::WM_LOGSCHANGED) {
        RefreshLogTree();
        return true;
    }
    return QMainWindow::event(event);
}

void TMainForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // Only the first show: un-minimising shows the window again.
    if (m_firstShowDone)
        return;
    m_firstShowDone = true;
    // After the show, so that a modal wizard opens over a visible main window.
    QTimer::singleShot(0, this, &TMainForm::runFirstShow);
}

void TMainForm::runFirstShow()
{
    if (ReadVersion().isEmpty())
        WriteVersion(QStringLiteral("1.2"));
    // Without a database the check could only fail; its start-up box has said so already.
    if (m_seams.firstShowSenderCheck && !m_databaseUnavailable)
        m_seams.firstShowSenderCheck();
    RefreshLogTree();
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    if (BusyGuard::held()) {
        MessageBoxes::warning(BusyGuard::refusalText(), this);
        event->ignore();
        return;
    }
    if (!m_sendSlots->FormCloseQuery()) {
        event->ignore();
        return;
    }
    ReleaseFrames();
    qDeleteAll(m_logsNode->takeChildren());
    FreeLogViewForm();
    FreeProtocolForm();
    m_placement->save();
    event->accept();
}

void TMainForm::Protokolle1Click()
{
    ShowProtocolForm();
}

void TMainForm::Sichern1Click()
{
    if (DM2)
        TBackupCommand(*DM2, this, m_seams.backup).BackupDatabase();
}

void TMainForm::Einspielen1Click()
{
    if (!DM2)
        return;
    TRestoreSeams seams = m_seams.restore;
    seams.releaseFrames = [this] { ReleaseFrames(); };
    TRestoreCommand(*DM2, *this, this, std::move(seams)).RestoreDatabase();
}

void TMainForm::Einstellungen2Click()
{
    TOptionForm options;
    options.exec();
}

void TMainForm::Inhalt1Click()
{
    THelpOpener(m_seams.helpViewer).open(this);
}

void TMainForm::Info2Click()
{
    TAboutForm about(this);
    about.exec();
}
