#pragma once

#include "backup/BackupReporting.h"

#include <QPointer>

#include <functional>
#include <memory>
#include <optional>

class QWidget;
class TBackupUSPForm;
class VolumeProvider;

// The pickers of backup and restore; every empty member is the real dialog.
struct TBackupPickers {
    // The backup's target folder (default: the folder picker "Sichern nach...").
    std::function<std::optional<QString>()> chooseTarget;
    // The restore's archive (default: the archive picker).
    std::function<std::optional<QString>()> chooseArchive;
    // The folder holding part of a split set (default: the folder picker, opened at folder).
    std::function<std::optional<QString>(int part, const QString& folder)> chooseVolumeFolder;
    // The volumes the backup's folder picker shows (not owned; default: the system's).
    VolumeProvider* volumes = nullptr;
    // Called once the progress window exists.
    std::function<void(TBackupUSPForm&)> formCreated;
};

// Binds a backup or restore run to the progress window TBackupUSPForm, the pickers and the
// message boxes. The window stays on top of the program's other windows; while a picker or a
// box of the run is up, the window is lowered and the dialog is its child, so the dialog shows
// above it. Main thread only; parent (may be null) owns the boxes while no window is open.
class TBackupWindow final : public IBackupProgress, public IBackupQuestions {
public:
    TBackupWindow(QWidget* parent, TBackupPickers pickers);
    ~TBackupWindow() override;

    // Shows the boxes of a run's result.
    void showResult(const BackupResult& result);

    void open() override;
    void close() override;
    void showTitle(const QString& text) override;
    void showStep(const QString& text) override;
    void showFile(const QString& text) override;
    void showFileName(const QString& path) override;
    void setBarMaxima(int fileMaximum, int totalMaximum) override;
    void setFileBar(int value) override;
    void setTotalBar(int value) override;
    void stepFileBar() override;
    void stepTotalBar() override;
    void allowCancel(bool allowed) override;
    bool cancelRequested() override;
    void refresh() override;
    void pause() override;

    std::optional<QString> chooseTarget() override;
    bool askOtherTarget() override;
    MediumAnswer askNextMedium(int volume, const QString& folder) override;
    std::optional<QString> chooseArchive() override;
    bool confirmRestore(const QString& archiveFileName) override;
    MediumAnswer askForVolume(int part, const QString& fileName, const QString& folder) override;
    std::optional<QString> chooseVolumeFolder(int part, const QString& folder) override;
    void oldFolderKept(const QString& old, const QString& kept) override;
    void tell(const BackupResult& problem) override;

private:
    // Lowers the window for the life of a dialog and gives the dialog's parent.
    class Lowered;

    MediumAnswer askWhere(const QString& text);

    QPointer<QWidget> m_parent;
    TBackupPickers m_pickers;
    std::unique_ptr<TBackupUSPForm> m_form;
};
