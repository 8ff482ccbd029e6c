#pragma once

// "Word Highlighter": the words whose channel lines take a colour of their own.
// Every change is stored at once (one value per word under Filters, named by the
// word in lower case, holding its colour); closing the dialog makes the running
// program read the list again.
//
// Scripted answers: Delete=word removes a word, Color=#rrggbb sets the current
// colour (and the current word's), Add=word adds a word in the current colour.

#include "chat/core/chatsettings.h"
#include "platform/checkeddialog.h"

class CTavernwApp;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace tavern {

class CColorSample;

class CHighlightDlg : public ferry::CheckedDialog {
    Q_OBJECT
public:
    explicit CHighlightDlg(CTavernwApp &app, QWidget *parent = nullptr);

    QListWidget *words() const { return m_list; }
    QLineEdit *wordField() const { return m_field; }
    CColorSample *sample() const { return m_sample; }
    QString currentWord() const { return m_currentWord; }
    quint32 currentColor() const { return m_currentColor; }

    // "<<": stores the field's word in the current colour, lists and selects it.
    // Refused with a message when the list holds the word already (in any case).
    bool AddWord();
    // "&Delete": removes the current word from the list and the registry.
    void DeleteWord();
    // "&Color": the chooser preset to the current colour; a current word is restored with it.
    void ChooseColor();

    void done(int result) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void applyFields(const QHash<QString, QString> &fields) override;

private:
    void wordSelected();
    void repaintSample();
    void setCurrentColor(quint32 colour);

    CTavernwApp &m_app;
    QListWidget *m_list;
    CColorSample *m_sample;
    QLineEdit *m_field;
    QString m_currentWord;
    quint32 m_currentColor = 0;
    quint32 m_background = 0;
};

} // namespace tavern
