#pragma once

#include <QFile>
#include <QString>

#include <sys/stat.h>

// The rights bits of a file or folder (0700, 0644, ...); -1 when it does not exist.
inline int FileMode(const QString& path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return -1;
    return int(info.st_mode & 07777);
}

// Sets the rights bits; true on success.
inline bool SetFileMode(const QString& path, int mode)
{
    return ::chmod(QFile::encodeName(path).constData(), mode_t(mode)) == 0;
}
