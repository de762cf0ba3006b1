#include "addressbook/ImpForm.h"

#include "addressbook/ImportProgress.h"
#include "addressbook/ScreenLook.h"
#include "controls/ActionButton.h"
#include "controls/DialogButtons.h"
#include "controls/DialogKeys.h"
#include "controls/DialogLook.h"
#include "controls/TFlatSB.h"
#include "core/SettingsStore.h"
#include "desktop/CommandUpdater.h"
#include "desktop/MessageBoxes.h"
#include "platform/AppPaths.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int kIndexRole = Qt::UserRole;
// A mapping keeps both numbers and both captions, so undoing it restores them exactly.
constexpr int kColumnRole = Qt::UserRole + 1;
constexpr int kColumnCaptionRole = Qt::UserRole + 2;
constexpr int kFieldCaptionRole = Qt::UserRole + 3;
const QString kArrow = QStringLiteral(" --> ");
const QString kNoFile = QStringLiteral("Keine Datei gewählt!");

// Lists sort by caption in the user's collation.
class CaptionItem : public QTreeWidgetItem {
public:
    explicit CaptionItem(const QString& caption, int index)
    {
        setText(0, caption);
        setData(0, kIndexRole, index);
    }
    bool operator<(const QTreeWidgetItem& other) const override
    {
        return QString::localeAwareCompare(text(0), other.text(0)) < 0;
    }
};

// Every change to the lists happens with their sorting off and ends by sorting them again.
class SortingPaused {
public:
    explicit SortingPaused(std::initializer_list<QTreeWidget*> lists) : m_lists(lists)
    {
        for (QTreeWidget* list : m_lists)
            list->setSortingEnabled(false);
    }
    ~SortingPaused()
    {
        for (QTreeWidget* list : m_lists) {
            list->setSortingEnabled(true);
            list->sortByColumn(0, Qt::AscendingOrder);
            // The header sorts nothing by a click, so it shows no arrow.
            list->header()->setSortIndicatorShown(false);
        }
    }
    SortingPaused(const SortingPaused&) = delete;
    SortingPaused& operator=(const SortingPaused&) = delete;

private:
    QList<QTreeWidget*> m_lists;
};

QString fileMessage(const QString& fileName, const QString& rest) // -> QString, not a builder
{
    return QStringLiteral("Die ausgewählte Datei \r\n\r\n") + QDir::toNativeSeparators(fileName) +
           QStringLiteral("\r\n\r\n") + rest;
}

// The path shortened to width by replacing leading folders with "...", the file name kept.
QString minimizedPath(const QString& path, const QFontMetrics& metrics, int width)
{
    QString shown = QDir::toNativeSeparators(path);
    if (metrics.horizontalAdvance(shown) <= width)
        return shown;
    const QChar separator = QDir::separator();
    QStringList parts = shown.split(separator);
    const QString fileName = parts.takeLast();
    while (!parts.isEmpty()) {
        parts.removeFirst();
        QString candidate = QStringLiteral("...") + separator +
                            (parts.isEmpty() ? QString() : parts.join(separator) + separator) + fileName;
        if (metrics.horizontalAdvance(candidate) <= width)
            return candidate;
    }
    return metrics.elidedText(fileName, Qt::ElideRight, width);
}

void setEnabledIfDifferent(QAction* command, bool enabled)
{
    if (command->isEnabled() != enabled)
        command->setEnabled(enabled);
}

class ProgressLines : public CsvReadProgress {
public:
    explicit ProgressLines(TImportProgress& progress) : m_progress(progress) {}
    void begin(int maximum) override { m_progress.begin(maximum); }
    void lineDone(int lineNumber) override { m_progress.step(QStringLiteral("Zeile ") + QString::number(lineNumber)); }

private:
    TImportProgress& m_progress;
};

// "Zeile 3, Zeile 7, ..." with at most kMaxListedLines numbers.
QString lineList(const QList<int>& lines)
{
    QStringList shown;
    for (int i = 0; i < lines.size() && i < kMaxListedLines; ++i)
        shown.append(QStringLiteral("Zeile ") + QString::number(lines.at(i)));
    if (lines.size() > kMaxListedLines)
        shown.append(QStringLiteral("..."));
    return shown.join(QStringLiteral(", "));
}

QString rejectionMessage(const QList<int>& lines)
{
    return QStringLiteral("Die E-Mail-Adresse folgender Zeilen ist länger als %1 Zeichen oder enthält "
                          "Steuerzeichen;\r\ndiese Zeilen werden nicht importiert:\r\n\r\n")
               .arg(TRecipientMailData::capacity(RecipientField::Email)) +
           lineList(lines);
}

const QString kWrongFormat =
    QStringLiteral("hat entweder nicht das richtige Datenformat, enthält nicht das richtige Trennzeichen oder "
                   "\r\ndie Spaltentitel wurden nicht in der ersten Zeile gesetzt!");

// "Tabulatoren", "Kommas", "das Zeichen „|“".
QString separatorName(QChar separator)
{
    if (separator == u'\t')
        return QStringLiteral("Tabulatoren");
    if (separator == u',')
        return QStringLiteral("Kommas");
    return QStringLiteral("das Zeichen „%1“").arg(separator);
}

QString foreignSeparatorMessage(QChar separator)
{
    return QStringLiteral("trennt die Felder offenbar durch %1. Importiert werden Dateien, deren Felder durch "
                          "Semikolons („;“) getrennt sind.")
        .arg(separatorName(separator));
}

const QString kDroppedLastByte =
    QStringLiteral("ist als UTF-16 gespeichert, hat aber eine ungerade Anzahl Bytes: Ihr letztes Byte ist kein "
                   "ganzes Zeichen und wurde nicht gelesen.");

} // namespace

TImpForm::FileChooser TImpForm::fileDialog()
{
    return [](QWidget* parent, const QString& startFolder) {
        return QFileDialog::getOpenFileName(parent, QStringLiteral("Browse"), startFolder,
                                            QStringLiteral("CSV(Trennzeichen getrennt) (*.csv)"));
    };
}

TImpForm::TImpForm(TFDBData& records, const QString& senderFirma, FileChooser chooseFile, QWidget* parent)
    : QDialog(parent), m_records(records), m_chooseFile(std::move(chooseFile)), m_updater(new CommandUpdater(this))
{
    setObjectName(QStringLiteral("ImpForm"));
    setWindowTitle(QStringLiteral("Import  -  Dateiauswahl und Feldzuordnung"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    ScreenLook::styleSurface(this);
    Zuordng = new QAction(QStringLiteral("Zuordnen"), this);
    Zuordng->setObjectName(QStringLiteral("Zuordng"));
    DelZuordng = new QAction(QStringLiteral("Zuordnung aufheben"), this);
    DelZuordng->setObjectName(QStringLiteral("DelZuordng"));
    ImpStart = new QAction(QStringLiteral("Weiter >>"), this);
    ImpStart->setObjectName(QStringLiteral("ImpStart"));
    for (QAction* command : {Zuordng, DelZuordng, ImpStart})
        command->setEnabled(false);
    connect(Zuordng, &QAction::triggered, this, &TImpForm::ZuordngExecute);
    connect(DelZuordng, &QAction::triggered, this, &TImpForm::DelZuordngExecute);
    connect(ImpStart, &QAction::triggered, this, &TImpForm::ImpStartExecute);
    buildLayout(senderFirma);
    m_updater->addCommand(Zuordng, [this](QAction* command) {
        setEnabledIfDifferent(command, !m_reading && LV1->topLevelItemCount() > 0 && LV2->topLevelItemCount() > 0 &&
                                           LV1->currentItem() && LV1->currentItem()->isSelected() &&
                                           LV2->currentItem() && LV2->currentItem()->isSelected());
    });
    m_updater->addCommand(DelZuordng, [this](QAction* command) {
        setEnabledIfDifferent(command, !m_reading && LV3->topLevelItemCount() > 0 && LV3->currentItem() &&
                                           LV3->currentItem()->isSelected());
    });
    m_updater->addCommand(ImpStart, [this](QAction* command) {
        setEnabledIfDifferent(command, !m_reading && LV3->topLevelItemCount() > 0);
    });
    Label1->setText(kNoFile);
    FillFieldList();
    centreOnScreen(this);
}

TImpForm::~TImpForm() = default;

QTreeWidget* TImpForm::newList(const QString& objectName, const QString& title)
{
    auto* list = new QTreeWidget(this);
    list->setObjectName(objectName);
    list->setColumnCount(1);
    list->setHeaderLabels({title});
    list->setRootIsDecorated(false);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->header()->setSectionsClickable(false);
    list->header()->setStretchLastSection(true);
    list->setSortingEnabled(true);
    list->sortByColumn(0, Qt::AscendingOrder);
    list->header()->setSortIndicatorShown(false);
    // The selection stays visible while another list has the focus.
    QPalette palette = list->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight, palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Active, QPalette::HighlightedText));
    list->setPalette(palette);
    list->setStyleSheet(QStringLiteral("QTreeWidget { background: white; color: black; }"));
    return list;
}

void TImpForm::buildLayout(const QString& senderFirma)
{
    setFixedSize(620, 500);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(12, 10, 12, 10);
    column->setSpacing(8);

    auto* firm = new QHBoxLayout;
    auto* label3 = ScreenLook::caption(QStringLiteral("Datenimport für Firma:"), this);
    label3->setObjectName(QStringLiteral("Label3"));
    Label2 = ScreenLook::heading(senderFirma, this, true);
    Label2->setObjectName(QStringLiteral("Label2"));
    firm->addWidget(label3);
    firm->addWidget(Label2, 1);
    column->addLayout(firm);

    auto* file = new QHBoxLayout;
    FlatSpeedButton3 = new TFlatSB(QStringLiteral("Öffnen"), this);
    FlatSpeedButton3->setObjectName(QStringLiteral("FlatSpeedButton3"));
    FlatSpeedButton3->setFixedSize(85, 25);
    connect(FlatSpeedButton3, &QAbstractButton::clicked, this, &TImpForm::FlatSpeedButton3Click);
    Label1 = ScreenLook::caption(QString(), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setMinimumWidth(100);
    Label1->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    file->addWidget(FlatSpeedButton3);
    file->addWidget(Label1, 1);
    column->addLayout(file);

    LV1 = newList(QStringLiteral("LV1"), QStringLiteral("Felder aus Datei"));
    LV2 = newList(QStringLiteral("LV2"), QStringLiteral("Vorhandene Felder"));
    LV3 = newList(QStringLiteral("LV3"), QStringLiteral("Getroffene Zuordnungen"));
    FlatSB1 = new TFlatSB(this);
    FlatSB1->setObjectName(QStringLiteral("FlatSB1"));
    linkButtonToAction(FlatSB1, Zuordng);
    FlatSB2 = new TFlatSB(this);
    FlatSB2->setObjectName(QStringLiteral("FlatSB2"));
    linkButtonToAction(FlatSB2, DelZuordng);
    FlatSB2->setFixedSize(130, 25);
    const DialogButtonRow buttons =
        dialogButtonRow(this, ConfirmWeight::Bold, QStringLiteral("FlatSB3"), QStringLiteral("FlatSB4"));
    FlatSB3 = buttons.confirm;
    FlatSB4 = buttons.cancel;
    linkButtonToAction(FlatSB3, ImpStart);
    connect(FlatSB4, &QAbstractButton::clicked, this, &TImpForm::reject);
    linkDialogKeys(this, FlatSB3, FlatSB4);

    auto* upper = new QHBoxLayout;
    upper->addWidget(LV1, 1);
    upper->addWidget(FlatSB1, 0, Qt::AlignVCenter);
    upper->addWidget(LV2, 1);
    column->addLayout(upper, 3);
    auto* lower = new QHBoxLayout;
    lower->addWidget(LV3, 1);
    lower->addWidget(FlatSB2, 0, Qt::AlignTop);
    column->addLayout(lower, 2);

    column->addLayout(buttons.layout);
}

void TImpForm::showEvent(QShowEvent* event)
{
    m_startFolder = startFolder();
    QDialog::showEvent(event);
}

QString TImpForm::startFolder()
{
    const QString configured = ReadImportPath();
    if (!configured.isEmpty() && QFileInfo(configured).isDir())
        return configured;
    const QString work = AppPaths::workFolder();
    const QString import = QDir(work).filePath(QStringLiteral("Import"));
    return QFileInfo(import).isDir() ? import : work;
}

void TImpForm::updateCommands()
{
    m_updater->runIdleUpdates();
}

void TImpForm::FillFieldList()
{
    const SortingPaused paused({LV1, LV2, LV3});
    LV2->clear();
    const TEmpfaengerFelder fieldNames;
    for (int field = 0; field < fieldNames.Items.size(); ++field)
        LV2->addTopLevelItem(new CaptionItem(fieldNames.Items.at(field), field));
}

void TImpForm::FlatSpeedButton3Click()
{
    if (m_reading)
        return;
    if (m_startFolder.isEmpty())
        m_startFolder = startFolder();
    const QString fileName = m_chooseFile(this, m_startFolder);
    if (!fileName.isEmpty())
        openFile(fileName);
}

void TImpForm::openFile(const QString& fileName)
{
    {
        const SortingPaused paused({LV1, LV2, LV3});
        LV1->clear();
        LV3->clear();
    }
    FillFieldList();
    showFileLabel(fileName);
    if (IsCsvFileName(fileName) && ReadCsvHeader(fileName) != 0)
        Label1->setText(kNoFile);
}

void TImpForm::showFileLabel(const QString& fileName)
{
    Label1->setToolTip(QDir::toNativeSeparators(fileName));
    Label1->setText(minimizedPath(fileName, Label1->fontMetrics(), qMax(100, Label1->width())));
}

int TImpForm::ReadCsvHeader(const QString& fileName)
{
    const SortingPaused paused({LV1, LV2, LV3});
    try {
        m_fileLines = LoadCsvFile(fileName);
        if (m_fileLines->isEmpty()) {
            releaseFile();
            MessageBoxes::error(fileMessage(fileName, QStringLiteral("enthält keine Daten!")), this);
            return 2;
        }
        QStringList titles;
        SplitCsvLine(m_fileLines->text(0), titles);
        // A NUL or an unpaired surrogate is no text (a picture, a spreadsheet's own format, a
        // damaged file); more columns than anyone maps would only fill the list.
        if (titles.isEmpty() || titles.size() > kMaxCsvColumns || m_fileLines->holdsNul() ||
            m_fileLines->invalidUtf16) {
            releaseFile();
            MessageBoxes::error(fileMessage(fileName, kWrongFormat), this);
            return 3;
        }
        const QChar separator = ForeignSeparator(*m_fileLines);
        if (!separator.isNull()) {
            releaseFile();
            MessageBoxes::error(fileMessage(fileName, foreignSeparatorMessage(separator)), this);
            return 3;
        }
        for (int column = 0; column < titles.size(); ++column)
            LV1->addTopLevelItem(new CaptionItem(titles.at(column), column));
        if (m_fileLines->droppedLastByte)
            MessageBoxes::warning(fileMessage(fileName, kDroppedLastByte), this);
        return 0;
    } catch (const CsvFileError& e) {
        return failedRead(QString::fromUtf8(e.what()));
    } catch (const std::bad_alloc&) {
        return failedRead(QStringLiteral("Für die Datei reicht der Arbeitsspeicher nicht aus."));
    } catch (const std::exception&) {
        return failedRead(QStringLiteral("Die Datei kann nicht gelesen werden."));
    }
}

int TImpForm::failedRead(const QString& reason)
{
    releaseFile();
    LV1->clear();
    MessageBoxes::error(QStringLiteral("#433 ") + reason, this);
    return 1;
}

void TImpForm::releaseFile()
{
    m_fileLines.reset();
}

void TImpForm::ZuordngExecute()
{
    QTreeWidgetItem* columnItem = LV1->currentItem();
    QTreeWidgetItem* fieldItem = LV2->currentItem();
    if (m_reading || !columnItem || !fieldItem || !columnItem->isSelected() || !fieldItem->isSelected())
        return;
    const SortingPaused paused({LV1, LV2, LV3});
    const QString columnCaption = columnItem->text(0);
    const QString fieldCaption = fieldItem->text(0);
    auto* mapping = new CaptionItem(columnCaption + kArrow + fieldCaption, fieldItem->data(0, kIndexRole).toInt());
    mapping->setData(0, kColumnRole, columnItem->data(0, kIndexRole));
    mapping->setData(0, kColumnCaptionRole, columnCaption);
    mapping->setData(0, kFieldCaptionRole, fieldCaption);
    LV3->addTopLevelItem(mapping);
    delete columnItem;
    delete fieldItem;
}

void TImpForm::DelZuordngExecute()
{
    QTreeWidgetItem* mapping = LV3->currentItem();
    if (m_reading || !mapping || !mapping->isSelected())
        return;
    const SortingPaused paused({LV1, LV2, LV3});
    LV1->addTopLevelItem(
        new CaptionItem(mapping->data(0, kColumnCaptionRole).toString(), mapping->data(0, kColumnRole).toInt()));
    LV2->addTopLevelItem(
        new CaptionItem(mapping->data(0, kFieldCaptionRole).toString(), mapping->data(0, kIndexRole).toInt()));
    delete mapping;
}

FieldMapping TImpForm::BuildFieldMapping() const
{
    FieldMapping mapping = UnmappedFields();
    for (int row = 0; row < LV3->topLevelItemCount(); ++row) {
        const QTreeWidgetItem* item = LV3->topLevelItem(row);
        const int field = item->data(0, kIndexRole).toInt();
        if (field >= 0 && field < kRecipientFieldCount && mapping[static_cast<size_t>(field)] < 0)
            mapping[static_cast<size_t>(field)] = item->data(0, kColumnRole).toInt();
    }
    return mapping;
}

void TImpForm::ImpStartExecute()
{
    if (m_reading || !m_fileLines || LV3->topLevelItemCount() == 0)
        return;
    const FieldMapping mapping = BuildFieldMapping();
    // A failed earlier read may have left records behind; each start reads the file afresh.
    m_records.clear();
    m_notes = {};
    QList<int> rejected;
    QList<int> recordLines;
    TImportProgress progress(QStringLiteral("Importdaten einlesen"), QString());
    m_progress = &progress;
    m_reading = true;
    setEnabled(false);
    ProgressLines lines(progress);
    const CsvReadResult result = ReadImportRecords(*m_fileLines, m_records, mapping, &lines, rejected, &recordLines);
    setEnabled(true);
    m_reading = false;
    if (!rejected.isEmpty())
        MessageBoxes::warning(rejectionMessage(rejected), this);
    switch (result) {
    case CsvReadResult::Records:
        m_notes = QuoteNotes(*m_fileLines, recordLines);
        Accepted = true;
        break;
    case CsvReadResult::Failed:
        m_records.clear();
        MessageBoxes::error(QStringLiteral("Es ist ein Fehler beim Auslesen der Datei aufgetreten!"), this);
        break;
    case CsvReadResult::NoRecords:
        MessageBoxes::warning(QStringLiteral("Die Datei enthält keine Daten!"), this);
        break;
    }
    m_progress = nullptr;
    progress.close();
    if (Accepted)
        accept();
}

void TImpForm::reject()
{
    if (!m_reading)
        QDialog::reject();
}

void TImpForm::closeEvent(QCloseEvent* event)
{
    if (m_reading)
        event->ignore();
    else
        QDialog::closeEvent(event);
}

void TImpForm::done(int result)
{
    if (m_reading)
        return;
    releaseFile();
    {
        const SortingPaused paused({LV1, LV2, LV3});
        LV1->clear();
        LV2->clear();
        LV3->clear();
    }
    QDialog::done(result);
}
