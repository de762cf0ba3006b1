#pragma once

#include <QSize>
#include <QString>

class QWidget;

// Keeps a window's position, size and state between runs, under HKEY_CURRENT_USER in the key
// "Software\<program base name>\<form class>" of the registry store. The key is this
// component's own and is created on the first save. Saved values that would put the window off
// every screen or below its minimum size are not applied. Main thread.
class TFormPlacement {
public:
    // The window is not owned; minimumTrackingSize is the smallest size the user can drag it to.
    TFormPlacement(QWidget* form, QSize minimumTrackingSize);

    QString key() const;

    // Applies the saved placement; returns false when none was saved (the window keeps its own).
    bool restore();
    // Never throws; a placement that cannot be saved is lost, nothing else.
    void save() const;

private:
    QWidget* m_form;
};
