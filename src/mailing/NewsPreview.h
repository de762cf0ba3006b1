#pragma once

#include <QDialog>

#include <functional>
#include <memory>

class TFlatSB;
class TemplatePreviewView;

// The template preview: shows FileName in a browser as the file stands (placeholders are not
// replaced). Created by the template dialog, FileName set, shown modally, freed. When the file
// does not exist on show, the window closes at once without a message. Main thread only.
class TNewsPreview : public QDialog {
    Q_OBJECT
public:
    using ViewFactory = std::function<std::unique_ptr<TemplatePreviewView>(QWidget* parent)>;

    // The default view is createTemplatePreviewView's.
    explicit TNewsPreview(QWidget* parent = nullptr, const ViewFactory& createView = {});
    ~TNewsPreview() override;

    QString FileName;

    TemplatePreviewView& view() const { return *m_view; }
    TFlatSB* FlatSB1;

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<TemplatePreviewView> m_view;
};
