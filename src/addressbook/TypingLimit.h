#pragma once

#include <QValidator>

class QLineEdit;

// Limits what the user types into a line edit to a number of characters without cutting a
// longer text that the program loads into it: such a text is shown and kept whole, and the user
// may shorten it but never make it longer than it is or than the limit, whichever is more.
// (QLineEdit::setMaxLength would cut the loaded text.) The validator belongs to the edit.
class TTypingLimit : public QValidator {
    Q_OBJECT
public:
    // Installs the limit on edit (a plain edit or the edit of an editable combo box).
    static TTypingLimit* attach(QLineEdit* edit, int limit);
    // Puts a text of any length into an edit that has a limit (or none).
    static void loadText(QLineEdit* edit, const QString& text);

    int limit() const { return m_limit; }
    State validate(QString& input, int& pos) const override;

private:
    TTypingLimit(QLineEdit* edit, int limit);

    int m_limit;
    qsizetype m_acceptedLength = 0; // the length of the text the edit holds
};
