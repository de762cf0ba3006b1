#pragma once

#include "addressbook/AssiStepFrame.h"

// The six steps of the sender wizard, in order. The frames of steps 2 to 5 hold the edits
// FE1, FE2, ... of their step's values; required edits are drawn yellow.

class TAssiAllgemeinFrame : public TAssiStepFrame {
    Q_OBJECT
public:
    explicit TAssiAllgemeinFrame(QWidget* parent);
};

// Firma (required), Strasse, PLZ, Ort.
class TAssiAbsAdressFrame : public TAssiStepFrame {
    Q_OBJECT
public:
    explicit TAssiAbsAdressFrame(QWidget* parent);
    QLineEdit* FE1;
    QLineEdit* FE2;
    QLineEdit* FE3;
    QLineEdit* FE4;
};

// Tel, Fax, Firmenemail (required), Web.
class TAssiAbsKommFrame : public TAssiStepFrame {
    Q_OBJECT
public:
    explicit TAssiAbsKommFrame(QWidget* parent);
    QLineEdit* FE1;
    QLineEdit* FE2;
    QLineEdit* FE3;
    QLineEdit* FE4;
};

// Verfasser and Email of the author, both optional.
class TAssiAbsVerfasserFrame : public TAssiStepFrame {
    Q_OBJECT
public:
    explicit TAssiAbsVerfasserFrame(QWidget* parent);
    QLineEdit* FE1;
    QLineEdit* FE2;
};

// Host (required), UserID and UserPW (shown as "*"); typing has no length limit here.
class TAssiAbsSMTPFrame : public TAssiStepFrame {
    Q_OBJECT
public:
    explicit TAssiAbsSMTPFrame(QWidget* parent);
    QLineEdit* FE1;
    QLineEdit* FE2;
    QLineEdit* FE3;
};

class TAssiAbsSchlussFrame : public TAssiStepFrame {
    Q_OBJECT
public:
    explicit TAssiAbsSchlussFrame(QWidget* parent);
};
