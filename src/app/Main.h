#pragma once

#include "backup/BackupCommand.h"
#include "backup/RestoreCommand.h"
#include "controls/FlatTreeView.h"
#include "core/DM.h"
#include "core/HelpOpener.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>

class CommandUpdater;
class ILogListing;
class QAction;
class QFrame;
class QMenu;
class QTreeWidgetItem;
class TFormPlacement;
class TLogViewForm;
class TMenuColor;
class TProtoModForm;
class TSendSlotTable;

// The list screen hosted on the right of the main window.
enum class HostedScreen { None, Senders, Recipients };

// What the main window is given from outside; every member may stay empty.
struct TMainFormSeams {
    // The send-log listing of the tree (not owned; must outlive the window). None: no log nodes.
    ILogListing* logListing = nullptr;
    // Creates the list screen inside host; the window owns and frees it. None: the screen
    // switch happens without a widget.
    std::function<QWidget*(HostedScreen screen, QWidget* host)> createScreen;
    // Shows a send log in place of the window's own log viewer (tests).
    std::function<void(const QString& title, const QString& fileName)> openLogViewer;
    // Runs on the first show before the log nodes are filled: starts the sender wizard when the
    // database has no sender.
    std::function<void()> firstShowSenderCheck;
    // The program that shows the help page (tests replace it).
    HelpViewer helpViewer;
    // What backup and restore reach outside themselves (tests); the restore's releaseFrames is
    // always the window's own.
    TBackupSeams backup;
    TRestoreSeams restore;
};

// The main window: banner, navigation tree on the left, the hosted list screen on the right and
// the menu bar. Lives from the start until the end of the program; main thread only.
class TMainForm : public QMainWindow, public TDatabaseAvailability {
    Q_OBJECT
public:
    explicit TMainForm(TMainFormSeams seams = {}, QWidget* parent = nullptr);
    ~TMainForm() override;

    // Set by the database module when the database cannot be used. While set, neither list
    // screen opens: the tree greys its two nodes at once, and the commands "Absenderdaten" and
    // "Empfängerdaten" are disabled by their update handler; the first show skips the sender
    // check.
    void setDatabaseUnavailable(bool unavailable) override;
    bool databaseUnavailable() const { return m_databaseUnavailable; }

    HostedScreen hostedScreen() const { return m_hostedScreen; }
    QWidget* hostedWidget() const { return m_hostedWidget; }

    // The position of item in the flattened tree (0 "kubNEWSLETTER", 1 "Absenderdaten",
    // 2 "Empfängerdaten", 3 "Protokolle", 4 and up the send logs); -1 for none.
    int absoluteIndex(const QTreeWidgetItem* item) const;
    QTreeWidgetItem* itemAt(int absoluteIndex) const;

    void NavTV1Click();
    void NavTV1DblClick();
    void RefreshLogTree();
    // Shows the log in the single log viewer, created on first use, and brings it to the front.
    void ShowLog(const QString& title, const QString& fileName);
    // Shows the single log manager, created on first use.
    void ShowProtocolForm();
    // The viewer and the manager while they exist; both are freed when the window closes.
    TLogViewForm* logViewForm() const { return LogViewForm; }
    TProtoModForm* protoModForm() const { return ProtoModForm; }
    // The ten send slots; the send workflow takes its slot here.
    TSendSlotTable* sendSlots() const { return m_sendSlots; }

    TFlatTreeView* NavTV1;
    QFrame* FlatPanel3;
    QAction* MainAbsender;
    QAction* MainEmpf;
    QMenu* Bearbeiten1;
    QMenu* Erweitert1;
    QMenu* Datensicherung1;
    QMenu* Hilfe1;
    // The coloured look of the menu bar and its menus; owned by the window.
    TMenuColor* MC1;

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildLayout();
    void buildTree();
    void buildMenus();
    void runFirstShow();
    void hostScreen(HostedScreen screen);
    void ReleaseFrames();
    void FreeLogViewForm();
    void FreeProtocolForm();
    void MainAbsenderUpdate();
    void Protokolle1Click();
    void Sichern1Click();
    void Einspielen1Click();
    void Einstellungen2Click();
    void Inhalt1Click();
    void Info2Click();

    TMainFormSeams m_seams;
    CommandUpdater* m_commandUpdater;
    TSendSlotTable* m_sendSlots;
    TFormPlacement* m_placement;
    QTreeWidgetItem* m_logsNode = nullptr;
    // Top-level windows without a parent, owned here.
    TLogViewForm* LogViewForm = nullptr;
    TProtoModForm* ProtoModForm = nullptr;
    HostedScreen m_hostedScreen = HostedScreen::None;
    QPointer<QWidget> m_hostedWidget;
    bool m_databaseUnavailable = false;
    bool m_firstShowDone = false;
};
