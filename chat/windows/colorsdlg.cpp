#include "chat/windows/colorsdlg.h"

#include "chat/core/colorref.h"
#include "chat/core/settingsstore.h"
#include "chat/core/tavernwapp.h"
#include "chat/windows/colorsample.h"

#include <QGridLayout>
#include <QPushButton>

namespace tavern {

namespace {

struct SlotInfo {
    const char *button;
    const char *field;
};

constexpr SlotInfo kSlots[CColorsDlg::SlotCount] = {
    {"&Normal Text", "normal"}, {"&Action Msg", "action"}, {"&Private Msg", "private"},
    {"&Status Msg", "status"},  {"&Background", "background"}, {"&URL", "url"},
};

} // namespace

CColorsDlg::CColorsDlg(CTavernwApp &app, QWidget *parent) : CheckedDialog(parent), m_app(app), m_edited(app.m_Settings)
{
    setWindowTitle(QStringLiteral("Setup Colors"));
    settingsstore::LoadColors(m_edited);
    m_colors = {&m_edited.Normal, &m_edited.Action, &m_edited.Private, &m_edited.Status, &m_edited.Background, &m_edited.URL};

    auto *grid = new QGridLayout;
    for (int i = 0; i < SlotCount; ++i) {
        m_buttons[i] = new QPushButton(QString::fromLatin1(kSlots[i].button), this);
        m_buttons[i]->setAutoDefault(false);
        m_samples[i] = new CColorSample(QStringLiteral("Sample Text"), this);
        connect(m_buttons[i], &QPushButton::clicked, this, [this, i] { ChooseColor(Slot(i)); });
        grid->addWidget(m_buttons[i], i, 0);
        grid->addWidget(m_samples[i], i, 1);
    }
    setContentWithButtons(grid);
    repaintSamples();
}

void CColorsDlg::ChooseColor(Slot slot)
{
    *m_colors[slot] = ChooseColorRef(this, *m_colors[slot]);
    repaintSamples();
}

void CColorsDlg::repaintSamples()
{
    for (int i = 0; i < SlotCount; ++i)
        m_samples[i]->SetColors(*m_colors[i], m_edited.Background);
}

void CColorsDlg::commit()
{
    settingsstore::SaveColors(m_edited);
    CChatSettings &s = m_app.m_Settings;
    s.Normal = m_edited.Normal;
    s.Action = m_edited.Action;
    s.Private = m_edited.Private;
    s.Status = m_edited.Status;
    s.Background = m_edited.Background;
    s.URL = m_edited.URL;
}

void CColorsDlg::applyFields(const QHash<QString, QString> &fields)
{
    for (int i = 0; i < SlotCount; ++i) {
        const QString value = fields.value(QString::fromLatin1(kSlots[i].field)).trimmed();
        if (QColor::isValidColorName(value))
            *m_colors[i] = colorRefFrom(QColor::fromString(value));
    }
    repaintSamples();
}

} // namespace tavern
