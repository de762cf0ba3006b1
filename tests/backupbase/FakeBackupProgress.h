#pragma once

#include "backup/BackupReporting.h"

#include <QStringList>

#include <functional>

// A progress that keeps what a run showed last and answers cancel from a hook.
class FakeBackupProgress : public IBackupProgress {
public:
    void open() override { ++opened; }
    void close() override { ++closed; }
    void showTitle(const QString& text) override { title = text; }
    void showStep(const QString& text) override { stepText = text; }
    void showFile(const QString& text) override { file = text; }
    void showFileName(const QString& path) override { file = path; }
    void setBarMaxima(int fileMaximum, int totalMaximum) override
    {
        fileMax = fileMaximum;
        totalMax = totalMaximum;
        fileBar = 0;
        totalBar = 0;
    }
    void setFileBar(int value) override { fileBar = value; }
    void setTotalBar(int value) override { totalBar = value; }
    void stepFileBar() override { ++fileBar; }
    void stepTotalBar() override { ++totalBar; }
    void allowCancel(bool allowed) override { cancelAllowed = allowed; }
    bool cancelRequested() override
    {
        ++polls;
        if (pollHook)
            pollHook(*this);
        return cancelled;
    }
    void refresh() override {}
    void pause() override {}

    int opened = 0;
    int closed = 0;
    QString title;
    QString stepText;
    QString file;
    int fileMax = 0;
    int totalMax = 0;
    int fileBar = 0;
    int totalBar = 0;
    bool cancelAllowed = true;
    bool cancelled = false;
    int polls = 0;
    std::function<void(FakeBackupProgress&)> pollHook;
};
