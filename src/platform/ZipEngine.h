#pragma once

#include "platform/ZipProgress.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// Makes and reads the backup archives through libzip. Files are added deflated at level 9 under
// their bare names, in list order; chosen members are extracted, matched without regard to
// letter case and written under the list's exact names, each replacing an existing file only
// once it has been read completely with a correct CRC. Archives and extracted files get owner
// rights only. Progress goes to the progress handler; every failure goes to the message handler
// with a code (libzip's error number, or kCancelledCode for an operation stopped through the
// cancel flag) and an English text. Handlers run synchronously inside add() and extract() and
// may set the cancel flag. Main thread only.
class TZipEngine {
public:
    using MessageHandler = std::function<void(int code, const QString& message)>;
    static constexpr int kCancelledCode = 590089;
    static constexpr int kDamagedCode = 590090;
    static constexpr int kDiskFullCode = 590091;

    void setProgressHandler(ZipProgressHandler handler) { m_progress = std::move(handler); }
    void setMessageHandler(MessageHandler handler) { m_message = std::move(handler); }

    // Stops the running add() or extract() at its next read; cleared when one starts.
    void setCancel(bool cancel) { m_cancel = cancel; }
    bool cancel() const { return m_cancel; }

    // Writes a new archive at archivePath (an existing one is replaced only on success) from the
    // files, given with their folders. False after a reported failure; nothing is left behind.
    bool add(const QString& archivePath, const QStringList& files);
    // Extracts the named members into folder. False after a reported failure; a member not in
    // the archive is one. Files extracted before the failure stay.
    bool extract(const QString& archivePath, const QString& folder, const QStringList& names);
    // The bytes the named members take once extracted; nothing after a reported failure.
    std::optional<qint64> extractedSize(const QString& archivePath, const QStringList& names);

private:
    friend struct ZipFileSource;
    void report(int code, const QString& message) const;
    void progress(ZipProgressKind kind, const QString& name, qint64 size) const;
    bool extractOne(void* archive, qint64 index, const QString& target, const QString& name);

    ZipProgressHandler m_progress;
    MessageHandler m_message;
    bool m_cancel = false;
};
