#pragma once

#include "addressbook/CsvReading.h"
#include "core/Records.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <optional>

class CommandUpdater;
class QAction;
class QLabel;
class QTreeWidget;
class QTreeWidgetItem;
class TFlatSB;
class TImportProgress;

// The first dialog of the CSV import: the user picks a file, maps its columns one to one onto
// the recipient fields, and starts the record read, which fills the caller's array
// (emptied first at each start). Accepted is true once a read yielded records; the dialog then
// closes. Nothing is written to the database. While the read runs the dialog takes no command
// and cannot be closed. Main thread only; created by its caller for one use.
class TImpForm : public QDialog {
    Q_OBJECT
public:
    // Asks for the file to import, starting in startFolder; an empty result means cancelled.
    using FileChooser = std::function<QString(QWidget* parent, const QString& startFolder)>;
    static FileChooser fileDialog();

    // records must outlive the dialog.
    TImpForm(TFDBData& records, const QString& senderFirma, FileChooser chooseFile = fileDialog(),
             QWidget* parent = nullptr);
    ~TImpForm() override;

    bool Accepted = false;
    // Once accepted: what the preview tells about records whose quote spans lines.
    const ImportNotes& Notes() const { return m_notes; }

    // "Öffnen": runs the file chooser and, unless cancelled, openFile.
    void FlatSpeedButton3Click();
    // Forgets every mapping, fills the field list again and reads the header of a ".csv" file
    // (any letter case); a file with another extension is not read.
    void openFile(const QString& fileName);
    void ZuordngExecute();
    void DelZuordngExecute();
    void ImpStartExecute();
    // Runs the idle-time update of the three commands now (tests; the event loop does it too).
    void updateCommands();

    // Where the file chooser starts: the import folder of the settings when it exists, else the
    // folder "Import" in the work folder when it exists, else the work folder.
    static QString startFolder();

    QLabel* Label1;   // the chosen file
    QLabel* Label2;   // the sender's company
    QTreeWidget* LV1; // "Felder aus Datei": caption = title, data = column index
    QTreeWidget* LV2; // "Vorhandene Felder": caption = field caption, data = field number
    QTreeWidget* LV3; // "Getroffene Zuordnungen"
    QAction* Zuordng;
    QAction* DelZuordng;
    QAction* ImpStart;
    TFlatSB* FlatSpeedButton3;
    TFlatSB* FlatSB1;
    TFlatSB* FlatSB2;
    TFlatSB* FlatSB3;
    TFlatSB* FlatSB4;

    // The read in progress, null otherwise.
    TImportProgress* ProgressWindow() const { return m_progress; }

    void reject() override;
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildLayout(const QString& senderFirma);
    QTreeWidget* newList(const QString& objectName, const QString& title);
    void FillFieldList();
    // 0 read, 1 the file cannot be read (also too large for this machine), 2 no line, 3 no
    // import file (line 1 empty, more than kMaxCsvColumns titles, a NUL or invalid UTF-16,
    // another separator than ";");
    // each failure has shown its box, and a UTF-16 file's dropped last byte a warning.
    int ReadCsvHeader(const QString& fileName);
    // The box "#433 " with the reason; forgets the file. Returns 1.
    int failedRead(const QString& reason);
    FieldMapping BuildFieldMapping() const;
    void showFileLabel(const QString& fileName);
    void releaseFile();

    TFDBData& m_records;
    FileChooser m_chooseFile;
    CommandUpdater* m_updater;
    std::optional<CsvLines> m_fileLines;
    TImportProgress* m_progress = nullptr;
    ImportNotes m_notes;
    QString m_startFolder;
    bool m_reading = false;
};
