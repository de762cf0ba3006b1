#pragma once

#include <QString>

#include <memory>

class QWidget;

// What the template preview needs of a browser: show one local HTML file with the pictures it
// references, as the file stands. Main thread only.
class TemplatePreviewView {
public:
    virtual ~TemplatePreviewView() = default;
    // The view's widget, owned by the parent it was created with.
    virtual QWidget* widget() const = 0;
    virtual void showFile(const QString& fullPath) = 0;
    // The file shown last; empty before the first showFile.
    virtual QString shownFile() const = 0;
};

// The browser engine where a display is there; the simple rich-text view on the offscreen and
// minimal platforms (tests, machines without a display), where the engine cannot run.
std::unique_ptr<TemplatePreviewView> createTemplatePreviewView(QWidget* parent);
std::unique_ptr<TemplatePreviewView> createTextBrowserPreviewView(QWidget* parent);
std::unique_ptr<TemplatePreviewView> createWebEnginePreviewView(QWidget* parent);
