#include "backup/ZipEvents.h"

#include "backup/BackupReporting.h"
#include "platform/ZipEngine.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr int kBarMaximum = 10001;
}

int ZipBarPosition(qint64 done, qint64 size)
{
    if (size <= 0)
        return kBarMaximum;
    // nearbyint rounds in the current mode, which is to nearest with halves to even.
    const double position = std::nearbyint(double(done) * 10000.0 / double(size)) + 1.0;
    return int(std::clamp(position, 1.0, double(kBarMaximum)));
}

void TZipEvents::attach(TZipEngine& engine)
{
    m_engine = &engine;
    engine.setProgressHandler(
        [this](ZipProgressKind kind, const QString& name, qint64 size) { ZipMaster1Progress(kind, name, size); });
    engine.setMessageHandler([this](int code, const QString& message) { ZipMaster1Message(code, message); });
}

void TZipEvents::ZipMaster1Progress(ZipProgressKind kind, const QString& fileName, qint64 size)
{
    m_progress.refresh();
    UpdateZipProgress(kind, ShowZipName ? CurrentZipName : fileName, size);
}

void TZipEvents::cancelCheck()
{
    if (!m_progress.cancelRequested())
        return;
    if (m_engine)
        m_engine->setCancel(true);
    m_progress.refresh();
}

void TZipEvents::UpdateZipProgress(ZipProgressKind kind, const QString& name, qint64 size)
{
    switch (kind) {
    case ZipProgressKind::NewFile:
        m_progress.showFileName(name);
        m_progress.setFileBar(1);
        ZipFileSize = size;
        ZipFileDone = 0;
        cancelCheck();
        m_progress.pause();
        break;
    case ZipProgressKind::Bytes:
        ZipFileDone += size;
        ZipTotalDone += size;
        cancelCheck();
        m_progress.setFileBar(ZipBarPosition(ZipFileDone, ZipFileSize));
        if (ZipTotalSize != 0)
            m_progress.setTotalBar(ZipBarPosition(ZipTotalDone, ZipTotalSize));
        m_progress.pause();
        break;
    case ZipProgressKind::EndOfBatch:
        break;
    case ZipProgressKind::FileCount:
        m_progress.pause();
        break;
    case ZipProgressKind::TotalSize:
        m_progress.setTotalBar(1);
        ZipTotalSize = size;
        ZipTotalDone = 0;
        m_progress.pause();
        cancelCheck();
        break;
    }
}

void TZipEvents::ZipMaster1Message(int code, const QString& message)
{
    if (code == 0 || m_message)
        return;
    m_message = ZipEngineResult(code, message);
}
