#pragma once

#include "platform/ZipProgress.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// Makes and reads the backup archives through libzip. Files are added deflated at level 9 under
// their bare names, in list order, as owner-only Unix files; chosen members are extracted and
// written under the list's exact names, each replacing an existing file only once it has been
// read completely with a correct CRC and exactly its declared size. A member is found by its
// exact name, else by the first name that differs only in letter case. Archives and extracted
// files get owner rights only. Progress goes to the progress handler; every failure goes to the
// message handler with a code (libzip's error number, or one of the codes below) and an English
// text. Handlers run synchronously inside add() and extract() and may set the cancel flag. Main
// thread only.
class TZipEngine {
public:
    using MessageHandler = std::function<void(int code, const QString& message)>;
    // The operation was stopped through the cancel flag.
    static constexpr int kCancelledCode = 590089;
    // The archive is damaged: a member inflates beyond its declared size (extraction stops
    // there, nothing more is written) or falls short of it.
    static constexpr int kDamagedCode = 590090;
    // The archive is damaged: a member name is there twice (the message names the archive).
    static constexpr int kDuplicateNameCode = 590092;
    // A named member is not in the archive (the message is its name).
    static constexpr int kMemberMissingCode = 590093;
    // The disk filled while writing: no space, the quota reached, or the file larger than the
    // file system or the process may write (ENOSPC, EDQUOT, EFBIG).
    static constexpr int kDiskFullCode = 590091;

    // Whether libzip's code says that an archive read is damaged or no ZIP archive at all (a
    // wrong CRC, data that does not inflate, headers that disagree).
    static bool isDamage(int code);

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
    // The first bytes of the named member (fewer when it is shorter), read without inflating the
    // rest; nothing after a reported failure.
    std::optional<QByteArray> memberHead(const QString& archivePath, const QString& name, qint64 bytes);

private:
    friend struct ZipFileSource;
    void report(int code, const QString& message) const;
    void progress(ZipProgressKind kind, const QString& name, qint64 size) const;
    bool extractOne(void* archive, qint64 index, const QString& target, const QString& name);

    ZipProgressHandler m_progress;
    MessageHandler m_message;
    bool m_cancel = false;
};
