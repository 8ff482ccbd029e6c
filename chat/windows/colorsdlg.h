#pragma once

// "Setup Colors": the six colours of the chat windows, each with a button that
// opens the colour chooser and a "Sample Text" drawn in that colour on the
// background colour. OK stores Normal, Action, Status, Private, Background and URL
// and makes them the program's colours: lines printed from then on take the new
// colours, and each message view takes the new background before its next line.
//
// Scripted answers name the colours: Normal, Action, Private, Status, Background,
// URL, each as a colour name ("#rrggbb").

#include "chat/core/chatsettings.h"
#include "platform/checkeddialog.h"

#include <array>

class CTavernwApp;
class QPushButton;

namespace tavern {

class CColorSample;

class CColorsDlg : public ferry::CheckedDialog {
    Q_OBJECT
public:
    enum Slot { Normal, Action, Private, Status, Background, URL, SlotCount };

    explicit CColorsDlg(CTavernwApp &app, QWidget *parent = nullptr);

    quint32 color(Slot slot) const { return *m_colors[slot]; }
    QPushButton *button(Slot slot) const { return m_buttons[slot]; }
    CColorSample *sample(Slot slot) const { return m_samples[slot]; }

    // A button: the chooser preset to the slot's colour; its answer becomes the colour.
    void ChooseColor(Slot slot);

protected:
    void commit() override;
    void applyFields(const QHash<QString, QString> &fields) override;

private:
    void repaintSamples();

    CTavernwApp &m_app;
    CChatSettings m_edited; // the colours being edited; the rest is unused
    std::array<quint32 *, SlotCount> m_colors{};
    std::array<QPushButton *, SlotCount> m_buttons{};
    std::array<CColorSample *, SlotCount> m_samples{};
};

} // namespace tavern
