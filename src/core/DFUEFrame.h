#pragma once

#include "core/OptionFrame.h"

class QRadioButton;
class QSpinBox;

// The page "Verbindung": dial-up or fixed Internet connection, and the mails sent per SMTP
// connection (0: never reconnect; a negative number turns into 0 at once).
class TDFUEFrame : public TOptionFrame {
    Q_OBJECT
public:
    explicit TDFUEFrame(QWidget* parent = nullptr);

    void LoadFromOptions(const TOptionData& Data) override;
    void StoreToOptions(TOptionData& Data) const override;

    QRadioButton* FRB1; // dial-up
    QRadioButton* FRB2; // fixed connection
    QSpinBox* FSE1;     // mails per connection

private:
    void FSE1Change(int value);
};
