#include "addressbook/TypingLimit.h"

#include <QLineEdit>

TTypingLimit::TTypingLimit(QLineEdit* edit, int limit)
    : QValidator(edit), m_limit(limit), m_acceptedLength(edit->text().size())
{
    // The edit asks the validator with the proposed text already in place, so the length
    // before a change is remembered here.
    connect(edit, &QLineEdit::textChanged, this, [this](const QString& text) { m_acceptedLength = text.size(); });
}

TTypingLimit* TTypingLimit::attach(QLineEdit* edit, int limit)
{
    auto* validator = new TTypingLimit(edit, limit);
    edit->setValidator(validator);
    return validator;
}

void TTypingLimit::loadText(QLineEdit* edit, const QString& text)
{
    // A loaded text that the validator refused would stay in the edit but leave it marked as
    // invalid, and an edit in that state no longer undoes typing beyond the limit.
    if (auto* limit = qobject_cast<TTypingLimit*>(const_cast<QValidator*>(edit->validator())))
        limit->m_acceptedLength = qMax(limit->m_acceptedLength, text.size());
    edit->setText(text);
}

QValidator::State TTypingLimit::validate(QString& input, int&) const
{
    return input.size() <= qMax<qsizetype>(m_limit, m_acceptedLength) ? Acceptable : Invalid;
}
