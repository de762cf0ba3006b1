#pragma once

#include <QWidget>

#include <functional>

class CommandUpdater;
class ILogListing;
class QAction;
class QLabel;
class QTreeWidget;
class TFlatSB;

// The log manager "Protokolle": lists the send logs by their titles and opens ("Öffnen") or
// deletes ("Löschen") the chosen one. The list is filled anew at every show and after a
// deletion; a deletion then sends WM_LOGSCHANGED to the main window. Logs whose title begins
// with "Fehlerhaft" are neither opened nor deleted. The main window creates it once and frees
// it at its end; closing only hides it. Main thread.
class TProtoModForm : public QWidget {
    Q_OBJECT
public:
    using ShowLogFunction = std::function<void(const QString& title, const QString& fileName)>;

    using LogInUseFunction = std::function<bool(const QString& fileName)>;

    // listing gives the logs (not owned; must outlive the window); nullptr lists the log folder.
    // showLog opens a log in the viewer (the main window's ShowLog). logInUse tells whether a
    // run that is still sending writes a log; such a log is not deleted.
    TProtoModForm(ILogListing* listing, ShowLogFunction showLog, LogInUseFunction logInUse = {},
                  QWidget* parent = nullptr);

    void FillList();
    void PMFOpenUpdate();
    void PMFOpenExecute();
    void PMFDelExecute();

    QLabel* Label1;
    QTreeWidget* LV1;
    QAction* PMFOpen;
    QAction* PMFDel;
    TFlatSB* FlatSB1;
    TFlatSB* FlatSB2;
    TFlatSB* FlatSB3;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // The selected log's title and path, or false when it is none the commands may touch; a log
    // file that has gone gets the error box.
    bool selectedLog(QString& title, QString& path);

    ILogListing* m_listing;
    ShowLogFunction m_showLog;
    LogInUseFunction m_logInUse;
    CommandUpdater* m_commandUpdater;
    bool m_placed = false;
};
