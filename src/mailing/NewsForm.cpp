#include "mailing/NewsForm.h"

#include "controls/ActionButton.h"
#include "controls/DialogButtons.h"
#include "controls/DialogKeys.h"
#include "controls/DialogLook.h"
#include "controls/FsDirectoryTree.h"
#include "controls/FsFileListBox.h"
#include "controls/TFlatSB.h"
#include "core/SettingsStore.h"
#include "desktop/CommandUpdater.h"
#include "desktop/MessageBoxes.h"
#include "desktop/ScreenCursor.h"
#include "platform/AppPaths.h"
#include "platform/TextCodec.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSaveFile>

namespace {

const QString kTextFilter = QStringLiteral("Text (*.txt)");

QString chooseOpenFile(QWidget* parent)
{
    return QFileDialog::getOpenFileName(parent, QStringLiteral("Datei öffnen"), {}, kTextFilter);
}

QString chooseSaveFile(QWidget* parent)
{
    // The dialog asks before it replaces an existing file.
    QFileDialog dialog(parent, QStringLiteral("Text in Datei speichern"), {}, kTextFilter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

QFrame* separator(QWidget* parent, int y)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(12, y, 540, 2);
    return line;
}

void setEnabledIfDifferent(QWidget* widget, bool enabled)
{
    if (widget->isEnabled() != enabled)
        widget->setEnabled(enabled);
}

void setEnabledIfDifferent(QAction* action, bool enabled)
{
    if (action->isEnabled() != enabled)
        action->setEnabled(enabled);
}

} // namespace

TNewsForm::TNewsForm(QWidget* parent, TNewsFormSeams seams)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint), m_seams(std::move(seams))
{
    setObjectName(QStringLiteral("NewsForm"));
    setWindowTitle(QStringLiteral("KubNEWSLETTER  -  Auswahl Newsletter"));
    setFixedSize(564, 523);
    applyDialogLook(this);

    Label3 = whiteLabel(this);
    Label3->setText(QStringLiteral("Auswahl:"));
    Label3->setGeometry(12, 10, 200, 16);

    FsDirectoryTree1 = new TFsDirectoryTree(this, m_seams.volumes, m_seams.icons);
    FsDirectoryTree1->setObjectName(QStringLiteral("FsDirectoryTree1"));
    FsDirectoryTree1->setGeometry(12, 28, 250, 250);
    FsFileListBox1 = new TFsFileListBox(this, m_seams.icons);
    FsFileListBox1->setObjectName(QStringLiteral("FsFileListBox1"));
    FsFileListBox1->setGeometry(270, 28, 190, 250);
    FsFileListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    FsFileListBox1->setMask(QStringLiteral("*.html;*.htm"));
    FsDirectoryTree1->setFileList(FsFileListBox1);
    connect(FsFileListBox1, &TFsFileListBox::changed, this, &TNewsForm::FsFileListBox1Change);

    Label1 = whiteLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(12, 284, 448, 16);
    FsDirectoryTree1->setDirLabel(Label1);

    NewsVorschau = new QAction(QStringLiteral("Vorschau"), this);
    connect(NewsVorschau, &QAction::triggered, this, &TNewsForm::NewsVorschauExecute);
    FlatSB2 = new TFlatSB(this);
    FlatSB2->move(468, 28);
    linkButtonToAction(FlatSB2, NewsVorschau);

    separator(this, 308);
    FCB1 = new QCheckBox(QStringLiteral("Newsletter als nur Textversion versenden"), this);
    FCB1->setObjectName(QStringLiteral("FCB1"));
    FCB1->setGeometry(12, 318, 448, 20);
    QPalette white = FCB1->palette();
    white.setColor(QPalette::WindowText, Qt::white);
    FCB1->setPalette(white);
    connect(FCB1, &QCheckBox::clicked, this, &TNewsForm::FCB1Click);

    Label2 = whiteLabel(this);
    Label2->setText(QStringLiteral("Newslettertext (Erläuterungen siehe Handbuch):"));
    Label2->setGeometry(12, 346, 448, 16);
    FM1 = new QPlainTextEdit(this);
    FM1->setObjectName(QStringLiteral("FM1"));
    FM1->setLineWrapMode(QPlainTextEdit::NoWrap);
    FM1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    FM1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    FM1->setGeometry(12, 364, 448, 104);

    NewsOpen = new QAction(QStringLiteral("Öffnen"), this);
    connect(NewsOpen, &QAction::triggered, this, &TNewsForm::NewsOpenExecute);
    FlatSB3 = new TFlatSB(this);
    FlatSB3->move(468, 364);
    linkButtonToAction(FlatSB3, NewsOpen);
    NewsSave = new QAction(QStringLiteral("Speichern"), this);
    connect(NewsSave, &QAction::triggered, this, &TNewsForm::NewsSaveExecute);
    FlatSB4 = new TFlatSB(this);
    FlatSB4->move(468, 394);
    linkButtonToAction(FlatSB4, NewsSave);

    separator(this, 478);
    FlatSB5 = cancelButton(this);
    FlatSB5->move(376, 488);
    NewsWeiter = new QAction(QStringLiteral("Weiter >>"), this);
    connect(NewsWeiter, &QAction::triggered, this, &TNewsForm::NewsWeiterExecute);
    FlatSB1 = new TFlatSB(this);
    QFont bold = FlatSB1->font();
    bold.setBold(true);
    FlatSB1->setFont(bold);
    FlatSB1->move(468, 488);
    linkButtonToAction(FlatSB1, NewsWeiter);
    linkDialogKeys(this, FlatSB1, FlatSB5);

    m_updater = new CommandUpdater(this);
    m_updater->addCommand(NewsVorschau, [this](QAction*) { NewsVorschauUpdate(); });
    m_updater->addCommand(NewsSave, [this](QAction*) { NewsSaveUpdate(); });

    FCB1->setChecked(false);
    FCB1Click();
    FM1->clear();
    NewsVorschauUpdate();
    NewsSaveUpdate();
    centreOnScreen(this);
}

void TNewsForm::GetResult(QStringList& Lines, bool& textOnly, QString& fileName) const
{
    textOnly = FCB1->isChecked();
    fileName = FileName;
    Lines = linesOf(FM1->toPlainText());
}

QStringList TNewsForm::linesOf(const QString& memoText)
{
    if (memoText.isEmpty())
        return {};
    QStringList lines = memoText.split(u'\n');
    if (memoText.endsWith(u'\n'))
        lines.removeLast();
    return lines;
}

void TNewsForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
}

QString TNewsForm::chooseStartFolder(const QString& fromSettings, const QString& samples, const QString& programFolder)
{
    for (const QString& folder : {fromSettings, samples}) {
        if (!folder.isEmpty() && QFileInfo(folder).isDir())
            return folder;
    }
    return programFolder;
}

void TNewsForm::FormShow()
{
    const QString folder =
        chooseStartFolder(ReadTemplatePath(), AppPaths::assetPath(QStringLiteral("Templates/Beispiele")),
                          QCoreApplication::applicationDirPath());
    FsDirectoryTree1->setDirectory(QFileInfo(folder).absoluteFilePath());
    ScreenCursor::set(CursorShape::Default);
    QApplication::processEvents();
}

void TNewsForm::FCB1Click()
{
    TextOnly = FCB1->isChecked();
}

void TNewsForm::FsFileListBox1Change()
{
    FileName = FsFileListBox1->fileName();
}

void TNewsForm::NewsVorschauUpdate()
{
    const bool textOnly = FCB1->isChecked();
    for (QWidget* widget : {static_cast<QWidget*>(FsDirectoryTree1), static_cast<QWidget*>(FsFileListBox1),
                            static_cast<QWidget*>(Label1), static_cast<QWidget*>(Label3)})
        setEnabledIfDifferent(widget, !textOnly);
    if (textOnly) {
        setEnabledIfDifferent(NewsVorschau, false);
        setEnabledIfDifferent(NewsWeiter, !FM1->toPlainText().isEmpty());
        return;
    }
    const bool fileSelected = !FsFileListBox1->selectedItems().isEmpty();
    setEnabledIfDifferent(NewsVorschau, fileSelected);
    setEnabledIfDifferent(NewsWeiter, fileSelected);
}

void TNewsForm::NewsSaveUpdate()
{
    setEnabledIfDifferent(NewsSave, !FM1->toPlainText().isEmpty());
}

void TNewsForm::NewsVorschauExecute()
{
    if (m_seams.showPreview) {
        m_seams.showPreview(FileName);
        return;
    }
    TNewsPreview preview(this, m_seams.previewView);
    preview.FileName = FileName;
    preview.exec();
}

bool TNewsForm::loadText(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        MessageBoxes::error(QStringLiteral("Die Datei \"") + QDir::toNativeSeparators(fileName) +
                                QStringLiteral("\" konnte nicht geöffnet werden!\r\n\r\n") + file.errorString(),
                            this);
        return false;
    }
    QString text = TextCodec::decodeFileText(file.readAll());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    FM1->setPlainText(text);
    return true;
}

bool TNewsForm::saveText(const QString& fileName)
{
    QString text;
    for (const QString& line : linesOf(FM1->toPlainText()))
        text += line + QStringLiteral("\r\n");
    // A failed write leaves an existing file as it was.
    QSaveFile file(fileName);
    const QByteArray bytes = TextCodec::encodeFileText(text);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        MessageBoxes::error(QStringLiteral("#157 ") + file.errorString(), this);
        return false;
    }
    return true;
}

void TNewsForm::NewsOpenExecute()
{
    const QString fileName = m_seams.chooseOpenFile ? m_seams.chooseOpenFile(this) : chooseOpenFile(this);
    if (!fileName.isEmpty())
        loadText(fileName);
}

void TNewsForm::NewsSaveExecute()
{
    const QString fileName = m_seams.chooseSaveFile ? m_seams.chooseSaveFile(this) : chooseSaveFile(this);
    if (!fileName.isEmpty())
        saveText(fileName);
}

void TNewsForm::NewsWeiterExecute()
{
    Result = 1;
    accept();
}
