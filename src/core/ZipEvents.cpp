#include "core/ZipEvents.h"

#include "core/BackupUSPForm.h"
#include "core/ProgressPause.h"
#include "desktop/MessageBoxes.h"
#include "platform/ZipEngine.h"

#include <QCoreApplication>
#include <QProgressBar>

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
    QCoreApplication::processEvents();
    UpdateZipProgress(kind, ShowZipName ? CurrentZipName : fileName, size);
}

void TZipEvents::cancelCheck()
{
    if (!ProgressForm || !ProgressForm->isCancelled())
        return;
    if (m_engine)
        m_engine->setCancel(true);
    QCoreApplication::processEvents();
}

void TZipEvents::UpdateZipProgress(ZipProgressKind kind, const QString& name, qint64 size)
{
    if (!ProgressForm)
        return;
    switch (kind) {
    case ZipProgressKind::NewFile:
        ProgressForm->showFileName(name);
        ProgressForm->FPB1->setValue(1);
        ZipFileSize = size;
        ZipFileDone = 0;
        cancelCheck();
        ProgressPause();
        break;
    case ZipProgressKind::Bytes:
        ZipFileDone += size;
        ZipTotalDone += size;
        cancelCheck();
        if (!ProgressForm)
            return;
        ProgressForm->FPB1->setValue(ZipBarPosition(ZipFileDone, ZipFileSize));
        if (ZipTotalSize != 0)
            ProgressForm->FPB2->setValue(ZipBarPosition(ZipTotalDone, ZipTotalSize));
        ProgressPause();
        break;
    case ZipProgressKind::EndOfBatch:
        break;
    case ZipProgressKind::FileCount:
        ProgressPause();
        break;
    case ZipProgressKind::TotalSize:
        ProgressForm->FPB2->setValue(1);
        ZipTotalSize = size;
        ZipTotalDone = 0;
        ProgressPause();
        cancelCheck();
        break;
    }
}

void TZipEvents::ZipMaster1Message(int code, const QString& message)
{
    if (code == 0)
        return;
    if (code != TZipEngine::kCancelledCode)
        MessageBoxes::warning(QStringLiteral("Fehlercode: ") + QString::number(code) + QStringLiteral("  ") + message,
                              m_boxParent);
    ZipErrorFlag = true;
}
