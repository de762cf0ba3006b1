#pragma once

#include "mailing/NewsPreview.h"

#include <QDialog>
#include <QStringList>

#include <functional>

class CommandUpdater;
class QAction;
class QCheckBox;
class QLabel;
class QPlainTextEdit;
class ShellIcons;
class TFlatSB;
class TFsDirectoryTree;
class TFsFileListBox;
class VolumeProvider;

// What the template dialog is given from outside; every member may stay empty (the system's).
struct TNewsFormSeams {
    VolumeProvider* volumes = nullptr; // must outlive the dialog
    ShellIcons* icons = nullptr;       // must outlive the dialog
    // The file chosen in "Datei öffnen" / "Text in Datei speichern"; empty when cancelled.
    std::function<QString(QWidget* parent)> chooseOpenFile;
    std::function<QString(QWidget* parent)> chooseSaveFile;
    // Shows the preview of a file modally.
    std::function<void(const QString& fileName)> showPreview;
    // The browser of the default preview.
    TNewsPreview::ViewFactory previewView;
};

// The template dialog "KubNEWSLETTER  -  Auswahl Newsletter": an HTML file from a folder tree and
// a file list, with preview, an optional plain-text version typed or loaded into the memo, or
// text only. The caller creates it, shows it modally, reads Result and, when it is 1, calls
// GetResult, then frees it. Main thread only.
class TNewsForm : public QDialog {
    Q_OBJECT
public:
    explicit TNewsForm(QWidget* parent = nullptr, TNewsFormSeams seams = {});

    bool TextOnly = false;
    QString FileName; // the selected file's full path; empty when none
    quint8 Result = 0;

    // Lines becomes the memo's lines (empty when the memo is empty; a final line break adds no
    // empty line), TextOnly the check box's state, FileName the last file the list reported.
    void GetResult(QStringList& Lines, bool& TextOnly, QString& FileName) const;

    // The memo's text as lines, the way GetResult hands them on.
    static QStringList linesOf(const QString& memoText);
    // The tree's start: the template folder from the settings when it exists, else the samples
    // folder when it exists, else the program's folder.
    static QString chooseStartFolder(const QString& fromSettings, const QString& samples, const QString& programFolder);

    // Idle-time handlers; public so tests can run them.
    void NewsVorschauUpdate();
    void NewsSaveUpdate();
    // Loads a text file into the memo / saves the memo; false with a box shown on a failure.
    bool loadText(const QString& fileName);
    bool saveText(const QString& fileName);

    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    TFsDirectoryTree* FsDirectoryTree1;
    TFsFileListBox* FsFileListBox1;
    QCheckBox* FCB1;
    QPlainTextEdit* FM1;
    TFlatSB* FlatSB1;
    TFlatSB* FlatSB2;
    TFlatSB* FlatSB3;
    TFlatSB* FlatSB4;
    TFlatSB* FlatSB5;
    QAction* NewsVorschau;
    QAction* NewsOpen;
    QAction* NewsSave;
    QAction* NewsWeiter;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
    void FCB1Click();
    void FsFileListBox1Change();
    void NewsVorschauExecute();
    void NewsOpenExecute();
    void NewsSaveExecute();
    void NewsWeiterExecute();

    TNewsFormSeams m_seams;
    CommandUpdater* m_updater;
    bool m_shown = false;
};
