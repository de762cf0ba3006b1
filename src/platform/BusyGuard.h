#pragma once

#include <QString>

// Marks a long operation on the main thread (import, backup, restore, gathering recipients).
// While one is held, the main window neither switches screens nor closes, and no second such
// operation starts. Main thread only; not nestable: a guard created while another is held is not
// acquired and changes nothing.
//
//   BusyGuard busy(QStringLiteral("Datensicherung"));
//   if (!busy.acquired()) { MessageBoxes::warning(BusyGuard::refusalText()); return; }
class BusyGuard {
public:
    explicit BusyGuard(const QString& operation);
    ~BusyGuard();
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;

    bool acquired() const { return m_acquired; }

    static bool held();
    // The warning shown when something is refused because an operation runs.
    static QString refusalText();

private:
    bool m_acquired;
};
