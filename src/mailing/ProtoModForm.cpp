#include "mailing/ProtoModForm.h"

#include "controls/ActionButton.h"
#include "controls/DialogLook.h"
#include "controls/TFlatSB.h"
#include "core/LogListing.h"
#include "desktop/CommandUpdater.h"
#include "desktop/MessageBoxes.h"
#include "mailing/SendLogFiles.h"
#include "platform/AppPaths.h"
#include "platform/WindowMessages.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QShowEvent>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <exception>

namespace {

constexpr int kFileNameRole = Qt::UserRole;

QString notFoundText(const QString& path)
{
    return QStringLiteral("Datei ") + path + QStringLiteral(" konnte nicht gefunden werden!");
}

} // namespace

TProtoModForm::TProtoModForm(ILogListing* listing, ShowLogFunction showLog, LogInUseFunction logInUse, QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_listing(listing), m_showLog(std::move(showLog)), m_logInUse(std::move(logInUse)),
      m_commandUpdater(new CommandUpdater(this))
{
    setObjectName(QStringLiteral("ProtoModForm"));
    setWindowTitle(QStringLiteral("Protokolle"));

    Label1 = new QLabel(QStringLiteral("Protokolle:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));

    LV1 = new QTreeWidget(this);
    LV1->setObjectName(QStringLiteral("LV1"));
    LV1->setColumnCount(1);
    LV1->setHeaderLabels({QStringLiteral("Bezeichnung")});
    LV1->setColumnWidth(0, 214);
    LV1->header()->setSectionsClickable(false);
    LV1->setRootIsDecorated(false);
    LV1->setItemsExpandable(false);
    LV1->setSelectionMode(QAbstractItemView::SingleSelection);
    LV1->setSelectionBehavior(QAbstractItemView::SelectRows);
    LV1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    LV1->setSortingEnabled(false);

    PMFOpen = new QAction(QStringLiteral("Öffnen"), this);
    PMFOpen->setObjectName(QStringLiteral("PMFOpen"));
    PMFDel = new QAction(QStringLiteral("Löschen"), this);
    PMFDel->setObjectName(QStringLiteral("PMFDel"));
    connect(PMFOpen, &QAction::triggered, this, &TProtoModForm::PMFOpenExecute);
    connect(PMFDel, &QAction::triggered, this, &TProtoModForm::PMFDelExecute);

    FlatSB1 = new TFlatSB(this);
    FlatSB1->setObjectName(QStringLiteral("FlatSB1"));
    QFont bold = FlatSB1->font();
    bold.setBold(true);
    FlatSB1->setFont(bold);
    linkButtonToAction(FlatSB1, PMFOpen);
    FlatSB2 = new TFlatSB(this);
    FlatSB2->setObjectName(QStringLiteral("FlatSB2"));
    linkButtonToAction(FlatSB2, PMFDel);
    FlatSB3 = new TFlatSB(QStringLiteral("Schließen"), this);
    FlatSB3->setObjectName(QStringLiteral("FlatSB3"));
    connect(FlatSB3, &TFlatSB::clicked, this, &QWidget::close);
    // PMFDel has no handler of its own: the one of PMFOpen sets both.
    m_commandUpdater->addCommand(PMFOpen, [this](QAction*) { PMFOpenUpdate(); });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(FlatSB1);
    buttons->addWidget(FlatSB2);
    buttons->addStretch(1);
    buttons->addWidget(FlatSB3);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(LV1, 1);
    layout->addLayout(buttons);
    setFixedSize(330, 320);
}

void TProtoModForm::showEvent(QShowEvent* event)
{
    if (!m_placed) {
        centreOnScreen(this);
        m_placed = true;
    }
    QWidget::showEvent(event);
    if (!event->spontaneous())
        FillList();
}

void TProtoModForm::FillList()
{
    LV1->clear();
    try {
        QStringList lines;
        const bool listed = m_listing ? m_listing->ListLogFiles(lines) : ::ListLogFiles(lines);
        if (!listed)
            return;
        for (const QString& line : std::as_const(lines)) {
            const qsizetype bar = line.indexOf(u'|');
            if (bar < 0)
                continue;
            auto* item = new QTreeWidgetItem(LV1, QStringList{line.left(bar)});
            item->setData(0, kFileNameRole, line.mid(bar + 1));
        }
    } catch (const std::exception& e) {
        MessageBoxes::error(QStringLiteral("#87 ") + QString::fromUtf8(e.what()), this);
    }
}

void TProtoModForm::PMFOpenUpdate()
{
    const bool selected = !LV1->selectedItems().isEmpty();
    PMFOpen->setEnabled(selected);
    PMFDel->setEnabled(selected);
}

bool TProtoModForm::selectedLog(QString& title, QString& path)
{
    const QList<QTreeWidgetItem*> selected = LV1->selectedItems();
    if (selected.isEmpty())
        return false;
    title = selected.first()->text(0);
    const QString fileName = selected.first()->data(0, kFileNameRole).toString();
    // "Fehlerhaft" is the title the listing gives to a file name it cannot read.
    if (title.isEmpty() || title.startsWith(QStringLiteral("Fehlerhaft")) || fileName.isEmpty())
        return false;
    path = AppPaths::logFolder() + u'/' + fileName;
    // The log may have gone since the list was filled.
    if (!QFileInfo::exists(path)) {
        MessageBoxes::error(notFoundText(path), this);
        return false;
    }
    return true;
}

void TProtoModForm::PMFOpenExecute()
{
    QString title;
    QString path;
    if (!selectedLog(title, path))
        return;
    if (m_showLog)
        m_showLog(title, path);
}

void TProtoModForm::PMFDelExecute()
{
    QString title;
    QString path;
    if (!selectedLog(title, path))
        return;
    // Unlinked under a running send, its further lines would go to a file nobody can see.
    if (m_logInUse && m_logInUse(path)) {
        MessageBoxes::warning(QStringLiteral("Das Protokoll ") + title +
                                  QStringLiteral(" gehört zu einem Sendevorgang, der noch läuft.\r\n"
                                                 "Es kann erst nach dessen Ende gelöscht werden."),
                              this);
        return;
    }
    if (!MessageBoxes::askYesNo(QStringLiteral("Soll das Protokoll ") + title +
                                    QStringLiteral(" jetzt gelöscht werden?"),
                                MsgIcon::Warning, this))
        return;
    QFile file(path);
    // The user has been told the log goes; a log that stays must not look deleted.
    if (!file.remove())
        MessageBoxes::error(QStringLiteral("Datei ") + path + QStringLiteral(" konnte nicht gelöscht werden!\r\n\r\n") +
                                file.errorString(),
                            this);
    FillList();
    WindowMessages::send(WindowMessages::WM_LOGSCHANGED);
}
