#include "controls/TKubDBText.h"

TKubDBText::TKubDBText(QWidget* parent) : TTACutLabel(parent) {}

void TKubDBText::setSource(TFieldTextSource* source)
{
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    if (source) {
        connect(source, &TFieldTextSource::changed, this, &TKubDBText::takeSourceText);
        connect(source, &QObject::destroyed, this, [this] { setCaption(QString()); });
    }
    takeSourceText();
}

void TKubDBText::takeSourceText()
{
    setCaption(m_source ? m_source->displayText() : QString());
}
