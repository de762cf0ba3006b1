#pragma once

#include <QString>

// A file written under a temporary name in its target's folder and moved over the target only
// once the caller has found it complete, so a failed write (a full disk) never leaves a
// truncated target behind. The temporary file has the target's rights when the target exists,
// the owner's only inside the work folder, else those of any new file. It is removed unless
// committed. Whoever writes the temporary file opens it by path(). Main thread.
class StagedFile {
public:
    explicit StagedFile(QString target);
    ~StagedFile();
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    // Creates the empty temporary file; false with error() set when it cannot be made.
    bool create();
    const QString& path() const { return m_path; }

    // Flushes the temporary file to the disk and renames it over the target; false with
    // error() set when that fails (the target is then as it was).
    bool commit();
    const QString& error() const { return m_error; }

private:
    QString m_target;
    QString m_path;
    QString m_error;
    bool m_committed = false;
};
