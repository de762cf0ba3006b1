#include "addressbook/AssiStepFrame.h"

#include "addressbook/ScreenLook.h"
#include "addressbook/TypingLimit.h"

#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include <limits>

TAssiStepFrame::TAssiStepFrame(const QString& objectName, const QString& heading, QWidget* parent)
    : QFrame(parent), m_column(new QVBoxLayout(this))
{
    setObjectName(objectName);
    m_column->setContentsMargins(16, 10, 16, 6);
    m_column->setSpacing(1);
    m_column->setAlignment(Qt::AlignTop);
    if (!heading.isEmpty()) {
        m_column->addWidget(ScreenLook::heading(heading, this));
        m_column->addSpacing(8);
    }
}

void TAssiStepFrame::addText(const QStringList& lines)
{
    m_column->addWidget(ScreenLook::caption(lines.join(u'\n'), this));
}

void TAssiStepFrame::addSpacing(int pixels)
{
    m_column->addSpacing(pixels);
}

QLineEdit* TAssiStepFrame::addEdit(const QString& caption, const QString& editName, QString TAbsenderDataRecord::*field,
                                   int limit, bool required)
{
    m_column->addSpacing(3);
    m_column->addWidget(ScreenLook::caption(caption, this));
    QLineEdit* edit =
        ScreenLook::flatEdit(editName, limit > 0 ? limit : std::numeric_limits<int>::max(), required, this);
    if (limit == 0)
        edit->setMaxLength(std::numeric_limits<int>::max());
    edit->setFixedWidth(260);
    m_column->addWidget(edit);
    m_bindings.append({edit, field});
    return edit;
}

void TAssiStepFrame::LoadRecord(const TAbsenderDataRecord& record)
{
    for (const Binding& binding : m_bindings)
        TTypingLimit::loadText(binding.edit, record.*binding.field);
    if (!m_bindings.isEmpty())
        m_bindings.first().edit->setFocus();
}

void TAssiStepFrame::StoreRecord(TAbsenderDataRecord& record) const
{
    for (const Binding& binding : m_bindings)
        record.*binding.field = binding.edit->text();
}
