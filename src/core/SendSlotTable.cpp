#include "core/SendSlotTable.h"

#include "platform/MessageBoxes.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <exception>

namespace {

QString exceptionText()
{
    try {
        throw;
    } catch (const std::exception& e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return QStringLiteral("Unknown error");
    }
}

} // namespace

TSendSlotTable::TSendSlotTable(StatusWindowFactory windows, QObject* parent)
    : QObject(parent), Timer1(new QTimer(this)), m_windows(std::move(windows))
{
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &TSendSlotTable::Timer1Timer);
    ClearSendSlots();
}

TSendSlotTable::~TSendSlotTable()
{
    for (TSendSlot& slot : m_slots)
        delete slot.Form.data();
}

void TSendSlotTable::ClearSendSlots()
{
    for (TSendSlot& slot : m_slots)
        slot.Ref = nullptr;
}

PSendSlot TSendSlotTable::AcquireSendSlot(quint8& status)
{
    status = 0;
    for (TSendSlot& slot : m_slots) {
        if (slot.Ref)
            continue;
        QWidget* window = nullptr;
        try {
            window = m_windows.create();
        } catch (...) {
            // Trying the next slot would fail the same way; every slot stays free.
            MessageBoxes::error(QStringLiteral("#172 ") + exceptionText());
            status = 2;
            return nullptr;
        }
        slot.Form = window;
        slot.Ref = &slot;
        slot.Running = false;
        slot.LogFile.clear();
        return &slot;
    }
    status = 1;
    MessageBoxes::warning(QStringLiteral("Es werden bereits ") + QString::number(MaxSendSlots) +
                          QStringLiteral(" Sendevorgänge ausgeführt!\r\n"
                                         "Ein erneuter Sendevorgang ist erst möglich, wenn ein anderer "
                                         "bereits laufender Vorgang beendet ist."));
    return nullptr;
}

void TSendSlotTable::SendRunStarted(PSendSlot slot, QThread* run)
{
    slot->Running = true;
    // Delivered on the main thread after the run's last report was posted.
    connect(run, &QThread::finished, this, [this, slot] { SendRunEnded(slot); });
}

bool TSendSlotTable::IsLogOfRunningSend(const QString& logFile) const
{
    const auto cleaned = [](const QString& path) { return QDir::cleanPath(QFileInfo(path).absoluteFilePath()); };
    const QString asked = cleaned(logFile);
    return std::any_of(m_slots.begin(), m_slots.end(), [&](const TSendSlot& slot) {
        return slot.Ref && slot.Running && !slot.LogFile.isEmpty() && cleaned(slot.LogFile) == asked;
    });
}

void TSendSlotTable::SendRunEnded(PSendSlot slot)
{
    slot->Running = false;
    if (!slot->Form)
        slot->Ref = nullptr;
}

void TSendSlotTable::ReleaseSendSlot(PSendSlot slot)
{
    if (slot->Running)
        return;
    freeWindow(*slot);
    slot->Ref = nullptr;
}

bool TSendSlotTable::AllSendSlotsFree()
{
    bool result = true;
    for (TSendSlot& slot : m_slots) {
        if (!slot.Ref)
            continue;
        MessageBoxes::warning(QStringLiteral("Es ist noch mindestens ein Sendevorgang aktiv!\r\n"
                                             "Beenden Sie zuerst den noch aktiven Sendevorgang."));
        // A run whose window was closed keeps its slot until it ends, without a window to raise.
        if (slot.Form && !m_windows.isClosed(slot.Form)) {
            slot.Form->raise();
            slot.Form->activateWindow();
        }
        result = false;
    }
    return result;
}

void TSendSlotTable::ReclaimFinishedSendSlots()
{
    // Runs from the idle handler too, so it must not spin the event loop; windows are freed
    // with deleteLater, never inside their own event handling.
    try {
        for (TSendSlot& slot : m_slots) {
            if (!slot.Ref)
                continue;
            if (slot.Form && m_windows.isClosed(slot.Form))
                freeWindow(slot);
            if (!slot.Form && !slot.Running)
                slot.Ref = nullptr;
        }
    } catch (...) {
        MessageBoxes::error(QStringLiteral("#245 ") + exceptionText());
    }
}

void TSendSlotTable::WMSendWindowClosed()
{
    Timer1->start();
}

bool TSendSlotTable::FormCloseQuery()
{
    ReclaimFinishedSendSlots();
    return AllSendSlotsFree();
}

void TSendSlotTable::Timer1Timer()
{
    Timer1->stop();
    ReclaimFinishedSendSlots();
}

void TSendSlotTable::freeWindow(TSendSlot& slot)
{
    if (slot.Form)
        slot.Form->deleteLater();
    slot.Form = nullptr;
}
