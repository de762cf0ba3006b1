#include "mailing/TemplatePreviewView.h"

#include "platform/TextCodec.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTextBrowser>
#include <QUrl>

namespace {

class TextBrowserPreviewView final : public TemplatePreviewView {
public:
    explicit TextBrowserPreviewView(QWidget* parent) : m_browser(new QTextBrowser(parent))
    {
        m_browser->setObjectName(QStringLiteral("WB1"));
        m_browser->setOpenLinks(false);
    }
    QWidget* widget() const override { return m_browser; }
    void showFile(const QString& fullPath) override
    {
        m_shown = fullPath;
        QFile file(fullPath);
        if (!file.open(QIODevice::ReadOnly))
            return;
        // A browser shows "<#Name>" as text, while this rich-text parser would take it for a tag.
        QString html = TextCodec::decodeFileText(file.readAll());
        html.replace(QStringLiteral("<#"), QStringLiteral("&lt;#"));
        const QString folder = QFileInfo(fullPath).absolutePath();
        m_browser->setSearchPaths({folder});
        m_browser->document()->setBaseUrl(QUrl::fromLocalFile(folder + u'/'));
        m_browser->setHtml(html);
    }
    QString shownFile() const override { return m_shown; }

private:
    QTextBrowser* m_browser;
    QString m_shown;
};

} // namespace

std::unique_ptr<TemplatePreviewView> createTextBrowserPreviewView(QWidget* parent)
{
    return std::make_unique<TextBrowserPreviewView>(parent);
}

std::unique_ptr<TemplatePreviewView> createTemplatePreviewView(QWidget* parent)
{
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal"))
        return createTextBrowserPreviewView(parent);
    return createWebEnginePreviewView(parent);
}
