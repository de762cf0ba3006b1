#include "addressbook/RecordDialog.h"

#include "addressbook/ScreenLook.h"
#include "addressbook/TypingLimit.h"
#include "controls/ActionButton.h"
#include "controls/DialogButtons.h"
#include "controls/DialogKeys.h"
#include "controls/DialogLook.h"
#include "controls/TFlatSB.h"
#include "desktop/CommandUpdater.h"

#include <QAction>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

TRecordDialog::TRecordDialog(const QString& title, QSize clientSize, const QString& confirmName, QWidget* parent)
    : QDialog(parent), m_confirm(new QAction(QStringLiteral("OK"), this)), m_updater(new CommandUpdater(this))
{
    setWindowTitle(title);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(clientSize);
    ScreenLook::styleSurface(this);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(10, 8, 10, 8);
    column->setSpacing(6);
    m_body = new QVBoxLayout;
    m_body->setSpacing(6);
    column->addLayout(m_body, 1);

    auto* separator = new QFrame(this);
    separator->setFrameShape(QFrame::HLine);
    separator->setFrameShadow(QFrame::Sunken);
    column->addWidget(separator);

    const DialogButtonRow buttons =
        dialogButtonRow(this, ConfirmWeight::Bold, QStringLiteral("FlatSB1"), QStringLiteral("FlatSB2"));
    FlatSB1 = buttons.confirm;
    FlatSB2 = buttons.cancel;
    FlatSB1->setFixedSize(85, 25);
    FlatSB2->setFixedSize(85, 25);
    column->addLayout(buttons.layout);

    m_confirm->setObjectName(confirmName);
    m_confirm->setEnabled(false);
    linkButtonToAction(FlatSB1, m_confirm);
    connect(m_confirm, &QAction::triggered, this, [this] {
        Cancelled = false;
        accept();
    });
    connect(FlatSB2, &QAbstractButton::clicked, this, &QDialog::reject);
    linkDialogKeys(this, FlatSB1, FlatSB2);
    m_updater->addCommand(m_confirm, [this](QAction* confirm) {
        const bool enable = canConfirm();
        if (confirm->isEnabled() != enable)
            confirm->setEnabled(enable);
    });

    centreOnScreen(this);
}

void TRecordDialog::updateCommands()
{
    m_updater->runIdleUpdates();
}

QLineEdit* TRecordDialog::addEdit(QBoxLayout* layout, const QString& caption, const QString& name, int limit,
                                  bool required)
{
    layout->addWidget(ScreenLook::caption(caption, this));
    QLineEdit* edit = ScreenLook::flatEdit(name, limit, required, this);
    layout->addWidget(edit);
    return edit;
}

QComboBox* TRecordDialog::addCombo(QBoxLayout* layout, const QString& caption, const QString& name, int limit,
                                   const QStringList& choices)
{
    layout->addWidget(ScreenLook::caption(caption, this));
    auto* combo = new QComboBox(this);
    combo->setObjectName(name);
    combo->setEditable(true);
    // Any text can be typed; typing neither completes nor adds an item.
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setCompleter(nullptr);
    combo->addItems(choices);
    combo->setMaxVisibleItems(static_cast<int>(choices.size()));
    combo->setCurrentIndex(-1);
    combo->setStyleSheet(QStringLiteral("QComboBox { background: white; color: black; border: 1px solid black; }"));
    combo->setFixedHeight(19);
    TTypingLimit::attach(combo->lineEdit(), limit);
    layout->addWidget(combo);
    return combo;
}

void TRecordDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_firstFocus)
        m_firstFocus->setFocus();
}
