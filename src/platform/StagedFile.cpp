#include "platform/StagedFile.h"

#include "platform/PrivateFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {

constexpr int kNameAttempts = 100;

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

StagedFile::StagedFile(QString target) : m_target(std::move(target)) {}

StagedFile::~StagedFile()
{
    if (!m_committed && !m_path.isEmpty())
        QFile::remove(m_path);
}

bool StagedFile::create()
{
    const QFileInfo target(m_target);
    const bool replaces = target.exists();
    const bool ownerOnly = !replaces && PrivateFiles::insideWorkFolder(m_target);
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const QString candidate =
            target.absolutePath() + QStringLiteral("/.") + target.fileName() +
            QStringLiteral(".%1.tmp").arg(QRandomGenerator::global()->generate(), 8, 16, QChar(u'0'));
        QFile file(candidate);
        // Without rights given, a new file gets the usual ones of the user's file creation mask.
        const bool made = ownerOnly
                              ? file.open(QIODevice::WriteOnly | QIODevice::NewOnly, PrivateFiles::kFilePermissions)
                              : file.open(QIODevice::WriteOnly | QIODevice::NewOnly);
        if (made) {
            m_path = candidate;
            if (replaces && !file.setPermissions(target.permissions())) {
                m_error = file.errorString();
                return false;
            }
            return true;
        }
        if (!QFileInfo::exists(candidate)) {
            m_error = file.errorString();
            return false;
        }
    }
    m_error = QStringLiteral("No free temporary name beside ") + m_target;
    return false;
}

bool StagedFile::commit()
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadWrite)) {
        m_error = file.errorString();
        return false;
    }
    // Some file systems report a full disk only when the data is flushed.
    if (::fsync(file.handle()) != 0) {
        m_error = systemError();
        return false;
    }
    file.close();
    // rename(2) replaces the target in one step; QFile::rename refuses an existing target.
    if (std::rename(QFile::encodeName(m_path).constData(), QFile::encodeName(m_target).constData()) != 0) {
        m_error = systemError();
        return false;
    }
    m_committed = true;
    return true;
}
