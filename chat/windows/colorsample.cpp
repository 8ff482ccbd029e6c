#include "chat/windows/colorsample.h"

#include "chat/core/colorref.h"
#include "platform/prompts.h"

namespace tavern {

CColorSample::CColorSample(const QString &text, QWidget *parent) : QLabel(text, parent)
{
    setAutoFillBackground(true);
    setTextFormat(Qt::PlainText);
    setMinimumWidth(100);
}

void CColorSample::SetColors(quint32 text, quint32 background)
{
    QPalette p = palette();
    p.setColor(QPalette::WindowText, colorFromRef(text));
    p.setColor(QPalette::Window, colorFromRef(background));
    setPalette(p);
}

QColor CColorSample::textColor() const
{
    return palette().color(QPalette::WindowText);
}

QColor CColorSample::backgroundColor() const
{
    return palette().color(QPalette::Window);
}

quint32 ChooseColorRef(QWidget *parent, quint32 current)
{
    const auto chosen = ferry::prompts::chooseColor(parent, QStringLiteral("Color"), colorFromRef(current));
    return chosen ? colorRefFrom(*chosen) : current;
}

} // namespace tavern
