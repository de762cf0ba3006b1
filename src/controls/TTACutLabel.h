#pragma once

#include <QLabel>

// A plain label that shortens a text too wide for it with "..." instead of clipping it
// (shortenToWidth). Its text is always plain text, never markup. With autoSize on (the default,
// as for every label of the class library) the label takes the width of its text and nothing is
// shortened; forms that want shortening switch it off and give the label its width.
class TTACutLabel : public QLabel {
    Q_OBJECT
public:
    explicit TTACutLabel(QWidget* parent = nullptr);
    explicit TTACutLabel(const QString& caption, QWidget* parent = nullptr);

    void setAutoSize(bool on);
    bool autoSize() const { return m_autoSize; }

    // The caption (what the label should show) and what it shows at its present width and font.
    void setCaption(const QString& caption);
    QString caption() const { return text(); }
    QString shownText() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    // The text before shortening; subclasses take it from elsewhere.
    virtual QString labelText() const { return text(); }
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void fitToText();

private:
    bool m_autoSize = true;
};
