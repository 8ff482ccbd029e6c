#pragma once

// The colour dialogs' samples: a text in a line colour on the views' background,
// and the colour chooser started from a stored colour.

#include <QLabel>

#include <optional>

namespace tavern {

class CColorSample : public QLabel {
    Q_OBJECT
public:
    explicit CColorSample(const QString &text, QWidget *parent = nullptr);

    // Colours as 0x00BBGGRR (a palette-relative top byte is ignored for drawing).
    void SetColors(quint32 text, quint32 background);
    QColor textColor() const;
    QColor backgroundColor() const;
};

// The colour chooser preset to a stored colour: the chosen colour, or the stored
// one unchanged (top byte included) when the chooser is cancelled.
quint32 ChooseColorRef(QWidget *parent, quint32 current);

} // namespace tavern
