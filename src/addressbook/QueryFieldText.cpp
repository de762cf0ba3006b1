#include "addressbook/QueryFieldText.h"

#include "addressbook/ScreenLook.h"
#include "controls/ColorNumber.h"
#include "platform/DbQuery.h"

TQueryFieldText::TQueryFieldText(DbQuery& query, QString field, QObject* parent)
    : TFieldTextSource(parent), m_query(query), m_field(std::move(field))
{
    connect(&m_query, &DbQuery::resultChanged, this, &TFieldTextSource::changed);
    connect(&m_query, &DbQuery::currentRowChanged, this, &TFieldTextSource::changed);
}

QString TQueryFieldText::displayText() const
{
    // Read from the result, not through the field, so a row being appended never shows.
    const std::shared_ptr<const DbResult> result = m_query.result();
    const int row = m_query.recNo();
    if (!result || row < 0 || row >= result->rowCount())
        return {};
    const int column = result->columnIndex(m_field);
    return column < 0 ? QString() : result->text(row, column);
}

TKubDBText* newDataLabel(DbQuery& query, const QString& field, QWidget* parent, QObject* sourceOwner)
{
    auto* label = new TKubDBText(parent);
    label->setObjectName(QStringLiteral("DBText") + field);
    label->setStyleSheet(QStringLiteral("color: ") + colorFromNumber(ScreenLook::kAccent).name() + u';');
    label->setSource(new TQueryFieldText(query, field, sourceOwner));
    return label;
}
