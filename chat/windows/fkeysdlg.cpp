#include "chat/windows/fkeysdlg.h"

#include "chat/core/settingsstore.h"
#include "chat/core/tavernwapp.h"
#include "chat/windows/inputline.h"

#include <QFormLayout>
#include <QLineEdit>

namespace tavern {

namespace {

QString keyName(int index)
{
    return QStringLiteral("F%1").arg(index + CFKeysDlg::kFirstKey);
}

} // namespace

CFKeysDlg::CFKeysDlg(CTavernwApp &app, QWidget *parent) : CheckedDialog(parent), m_app(app)
{
    setWindowTitle(QStringLiteral("Program Function Keys"));
    QStringList texts = app.m_Settings.FKeys;
    settingsstore::LoadFunctionKeys(texts);

    auto *form = new QFormLayout;
    for (int i = 0; i < kKeyCount; ++i) {
        auto *field = new QLineEdit(this);
        field->setMaxLength(kMaxText);
        field->setText(texts.value(i));
        field->setCursorPosition(0); // a text longer than the field shows its beginning
        field->setMinimumWidth(360);
        form->addRow(keyName(i), field);
        m_fields << field;
    }
    setContentWithButtons(form);
}

void CFKeysDlg::commit()
{
    QStringList texts;
    for (QLineEdit *field : m_fields)
        texts << FlattenLineBreaks(field->text());
    settingsstore::SaveFunctionKeys(texts);
    m_app.m_Settings.FKeys = texts;
}

void CFKeysDlg::applyFields(const QHash<QString, QString> &fields)
{
    for (int i = 0; i < kKeyCount; ++i)
        if (const auto it = fields.find(keyName(i).toLower()); it != fields.end())
            m_fields[i]->setText(*it);
}

} // namespace tavern
