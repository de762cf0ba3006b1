#include "mailing/TemplatePreviewView.h"

#include <QUrl>
#include <QWebEngineView>

namespace {

class WebEnginePreviewView final : public TemplatePreviewView {
public:
    explicit WebEnginePreviewView(QWidget* parent) : m_view(new QWebEngineView(parent))
    {
        m_view->setObjectName(QStringLiteral("WB1"));
        // The engine's render widget joins the window now, before it shows: joining a shown
        // window re-creates it, and the re-created window no longer counts as the modal one.
        m_view->setUrl(QUrl(QStringLiteral("about:blank")));
    }
    QWidget* widget() const override { return m_view; }
    void showFile(const QString& fullPath) override
    {
        m_shown = fullPath;
        m_view->load(QUrl::fromLocalFile(fullPath));
    }
    QString shownFile() const override { return m_shown; }

private:
    QWebEngineView* m_view;
    QString m_shown;
};

} // namespace

std::unique_ptr<TemplatePreviewView> createWebEnginePreviewView(QWidget* parent)
{
    return std::make_unique<WebEnginePreviewView>(parent);
}
