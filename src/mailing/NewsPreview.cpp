#include "mailing/NewsPreview.h"

#include "controls/DialogLook.h"
#include "controls/TFlatSB.h"
#include "desktop/MessageBoxes.h"
#include "mailing/TemplatePreviewView.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QVBoxLayout>

TNewsPreview::TNewsPreview(QWidget* parent, const ViewFactory& createView)
    : QDialog(parent, Qt::Window | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("NewsPreview"));
    setWindowTitle(QStringLiteral("NewsPreview"));
    resize(648, 493);
    applyDialogLook(this);

    m_view = createView ? createView(this) : createTemplatePreviewView(this);
    auto* bottom = new QWidget(this);
    bottom->setFixedHeight(41);
    auto* buttons = new QHBoxLayout(bottom);
    buttons->setContentsMargins(8, 8, 8, 8);
    buttons->addStretch();
    FlatSB1 = new TFlatSB(QStringLiteral("Schließen"), bottom);
    buttons->addWidget(FlatSB1);
    connect(FlatSB1, &QAbstractButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_view->widget(), 1);
    layout->addWidget(bottom);
    centreOnScreen(this);
}

TNewsPreview::~TNewsPreview() = default;

void TNewsPreview::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    const QFileInfo file(FileName);
    if (FileName.isEmpty() || !file.isFile()) {
        // No file chosen, or one that vanished since it was listed: say so rather than show nothing.
        const QString text = FileName.isEmpty() ? QStringLiteral("Es ist keine Newsletter-Datei ausgewählt.")
                                                : QStringLiteral("Die Datei \"") + QDir::toNativeSeparators(FileName) +
                                                      QStringLiteral("\" ist nicht vorhanden.");
        QMetaObject::invokeMethod(
            this,
            [this, text] {
                MessageBoxes::information(text, this);
                reject();
            },
            Qt::QueuedConnection);
        return;
    }
    const QString fullPath = file.absoluteFilePath();
    setWindowTitle(QStringLiteral("NewsPreview - ") + fullPath);
    m_view->showFile(fullPath);
}
