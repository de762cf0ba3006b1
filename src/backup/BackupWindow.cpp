#include "backup/BackupWindow.h"

#include "backup/BackupUSPForm.h"
#include "backup/DirDialogForm.h"
#include "backup/ProgressPause.h"
#include "controls/TFlatSB.h"
#include "core/PathSelectForm.h"
#include "desktop/MessageBoxes.h"

#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QProgressBar>

namespace {

void step(QProgressBar* bar)
{
    bar->setValue(bar->value() + 1);
}

void showBox(const BackupBox& box, QWidget* parent)
{
    switch (box.icon) {
    case BackupBoxIcon::None:
        break;
    case BackupBoxIcon::Information:
        MessageBoxes::information(box.text, parent);
        break;
    case BackupBoxIcon::Warning:
        MessageBoxes::warning(box.text, parent);
        break;
    case BackupBoxIcon::Error:
        MessageBoxes::error(box.text, parent);
        break;
    }
}

} // namespace

class TBackupWindow::Lowered {
public:
    explicit Lowered(TBackupWindow& window) : m_form(window.m_form.get()), m_parent(window.m_parent)
    {
        if (m_form && m_form->isVisible())
            setOnTop(false);
    }
    ~Lowered()
    {
        if (m_form && m_lowered)
            setOnTop(true);
    }
    Lowered(const Lowered&) = delete;
    Lowered& operator=(const Lowered&) = delete;

    QWidget* parent() const { return m_form ? static_cast<QWidget*>(m_form.data()) : m_parent.data(); }

private:
    void setOnTop(bool onTop)
    {
        m_lowered = !onTop;
        // Changing the flag hides the window; it comes back where it was.
        m_form->setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
        m_form->show();
        if (!onTop)
            m_form->lower();
        QCoreApplication::processEvents();
    }

    QPointer<TBackupUSPForm> m_form;
    QPointer<QWidget> m_parent;
    bool m_lowered = false;
};

TBackupWindow::TBackupWindow(QWidget* parent, TBackupPickers pickers) : m_parent(parent), m_pickers(std::move(pickers))
{}

TBackupWindow::~TBackupWindow() = default;

void TBackupWindow::showResult(const BackupResult& result)
{
    showBox(BackupResultBox(result), m_parent);
    if (result.previousNotRestored)
        MessageBoxes::error(PreviousNotRestoredText(), m_parent);
}

void TBackupWindow::open()
{
    m_form = std::make_unique<TBackupUSPForm>();
    m_form->show();
    QCoreApplication::processEvents();
    if (m_pickers.formCreated)
        m_pickers.formCreated(*m_form);
}

void TBackupWindow::close()
{
    m_form.reset();
}

void TBackupWindow::showTitle(const QString& text)
{
    if (m_form)
        m_form->Label1->setText(text);
}

void TBackupWindow::showStep(const QString& text)
{
    if (m_form)
        m_form->Label2->setText(text);
}

void TBackupWindow::showFile(const QString& text)
{
    if (m_form)
        m_form->Label3->setText(text);
}

void TBackupWindow::showFileName(const QString& path)
{
    if (m_form)
        m_form->showFileName(path);
}

void TBackupWindow::setBarMaxima(int fileMaximum, int totalMaximum)
{
    if (m_form)
        m_form->setBarMaxima(fileMaximum, totalMaximum);
}

void TBackupWindow::setFileBar(int value)
{
    if (m_form)
        m_form->FPB1->setValue(value);
}

void TBackupWindow::setTotalBar(int value)
{
    if (m_form)
        m_form->FPB2->setValue(value);
}

void TBackupWindow::stepFileBar()
{
    if (m_form)
        step(m_form->FPB1);
}

void TBackupWindow::stepTotalBar()
{
    if (m_form)
        step(m_form->FPB2);
}

void TBackupWindow::allowCancel(bool allowed)
{
    if (m_form)
        m_form->FlatSB1->setEnabled(allowed);
}

bool TBackupWindow::cancelRequested()
{
    return m_form && m_form->isCancelled();
}

void TBackupWindow::refresh()
{
    QCoreApplication::processEvents();
}

void TBackupWindow::pause()
{
    ProgressPause();
}

std::optional<QString> TBackupWindow::chooseTarget()
{
    Lowered lowered(*this);
    if (m_pickers.chooseTarget)
        return m_pickers.chooseTarget();
    TPathSelectForm picker(lowered.parent(), m_pickers.volumes);
    picker.Label2->setText(QStringLiteral("Sichern nach..."));
    picker.StartPath = QDir::homePath();
    picker.BackupMode = true;
    picker.exec();
    if (!picker.OKPressed())
        return std::nullopt;
    return picker.SelectedPath();
}

bool TBackupWindow::askOtherTarget()
{
    Lowered lowered(*this);
    return MessageBoxes::askYesNo(QStringLiteral("Zu wenig Speicherplatz auf dem Sicherungsziel!\r\n\r\n"
                                                 "Möchten Sie ein anderes Sicherungsziel auswählen?"),
                                  MsgIcon::Question, lowered.parent());
}

MediumAnswer TBackupWindow::askNextMedium(int volume, const QString& folder)
{
    const QString number = QString::number(volume);
    return askWhere(
        QStringLiteral("Der Datenträger ist voll.\r\n\r\nBitte legen Sie den nächsten Datenträger für Teil ") + number +
        QStringLiteral(" der Sicherung ein.\r\n\r\nJa: Teil ") + number + QStringLiteral(" nach \"") + folder +
        QStringLiteral("\" schreiben\r\nNein: einen anderen Ordner wählen\r\nAbbrechen: Sicherung abbrechen"));
}

std::optional<QString> TBackupWindow::chooseArchive()
{
    Lowered lowered(*this);
    if (m_pickers.chooseArchive)
        return m_pickers.chooseArchive();
    TDirDialogForm picker(lowered.parent());
    picker.exec();
    if (!picker.OKPressed)
        return std::nullopt;
    return picker.SelectedFile;
}

bool TBackupWindow::confirmRestore(const QString& archiveFileName)
{
    Lowered lowered(*this);
    return MessageBoxes::askYesNo(QStringLiteral("Wollen Sie die Sicherungsdatei  \"") + archiveFileName +
                                      QStringLiteral("\"  jetzt einspielen?"),
                                  MsgIcon::Question, lowered.parent());
}

MediumAnswer TBackupWindow::askForVolume(int part, const QString& fileName, const QString& folder)
{
    const QString number = QString::number(part);
    return askWhere(
        QStringLiteral("Teil ") + number + QStringLiteral(" der Sicherung (\"") + fileName +
        QStringLiteral("\") wurde in \"") + folder +
        QStringLiteral("\" nicht gefunden.\r\n\r\nBitte legen Sie den Datenträger mit Teil ") + number +
        QStringLiteral(" der Sicherung ein.\r\n\r\nJa: Teil ") + number + QStringLiteral(" in \"") + folder +
        QStringLiteral("\" suchen\r\nNein: einen anderen Ordner wählen\r\nAbbrechen: Einspielen abbrechen"));
}

std::optional<QString> TBackupWindow::chooseVolumeFolder(int part, const QString& folder)
{
    Lowered lowered(*this);
    if (m_pickers.chooseVolumeFolder)
        return m_pickers.chooseVolumeFolder(part, folder);
    TPathSelectForm picker(lowered.parent());
    picker.Label2->setText(QStringLiteral("Teil ") + QString::number(part) +
                           QStringLiteral(" der Sicherung suchen in..."));
    picker.StartPath = folder;
    picker.exec();
    if (!picker.OKPressed())
        return std::nullopt;
    return picker.SelectedPath();
}

void TBackupWindow::oldFolderKept(const QString& old, const QString& kept)
{
    Lowered lowered(*this);
    MessageBoxes::information(QStringLiteral("Das Verzeichnis \"") + old +
                                  QStringLiteral("\" aus einem früheren Einspielen kann die einzige Kopie einer "
                                                 "früheren Datenbank enthalten.\r\n\r\nEs wurde in \"") +
                                  kept + QStringLiteral("\" umbenannt."),
                              lowered.parent());
}

void TBackupWindow::tell(const BackupResult& problem)
{
    Lowered lowered(*this);
    showBox(BackupResultBox(problem), lowered.parent());
}

MediumAnswer TBackupWindow::askWhere(const QString& text)
{
    Lowered lowered(*this);
    switch (MessageBoxes::show(text, MsgIcon::Question, MsgButtons::YesNoCancel, lowered.parent())) {
    case MsgAnswer::Yes:
        return MediumAnswer::SameFolder;
    case MsgAnswer::No:
        return MediumAnswer::OtherFolder;
    default:
        return MediumAnswer::Cancel;
    }
}
