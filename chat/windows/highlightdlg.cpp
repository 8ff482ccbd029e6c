#include "chat/windows/highlightdlg.h"

#include "chat/core/colorref.h"
#include "chat/core/settingsstore.h"
#include "chat/core/tavernwapp.h"
#include "chat/windows/colorsample.h"
#include "platform/prompts.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace tavern {

CHighlightDlg::CHighlightDlg(CTavernwApp &app, QWidget *parent)
    : CheckedDialog(parent), m_app(app), m_list(new QListWidget(this)),
      m_sample(new CColorSample(QStringLiteral("Sample Text"), this)), m_field(new QLineEdit(this)),
      m_currentColor(app.m_Settings.Normal), m_background(app.m_Settings.Background)
{
    setWindowTitle(QStringLiteral("Word Highlighter"));
    m_list->addItems(settingsstore::HighlightWordNames());

    auto *remove = new QPushButton(QStringLiteral("&Delete"), this);
    auto *add = new QPushButton(QStringLiteral("<<"), this);
    auto *colour = new QPushButton(QStringLiteral("&Color"), this);
    for (QPushButton *b : {remove, add, colour})
        b->setAutoDefault(false);
    connect(m_list, &QListWidget::itemSelectionChanged, this, &CHighlightDlg::wordSelected);
    connect(remove, &QPushButton::clicked, this, &CHighlightDlg::DeleteWord);
    connect(add, &QPushButton::clicked, this, &CHighlightDlg::AddWord);
    connect(colour, &QPushButton::clicked, this, &CHighlightDlg::ChooseColor);
    auto *grid = new QGridLayout;
    grid->addWidget(m_list, 0, 0, 4, 1);
    grid->addWidget(m_sample, 0, 1, 1, 2);
    grid->addWidget(remove, 1, 1);
    grid->addWidget(colour, 1, 2);
    grid->addWidget(add, 2, 1);
    grid->addWidget(m_field, 2, 2);
    // Changes are stored as they are made, so OK is the one way out.
    setContentWithButtons(grid, QDialogButtonBox::Ok);
    ferry::chainTabOrder({m_list, remove, colour, add, m_field});
    // Enter in the word's field adds the word typed there, as "<<" does, instead of
    // closing; with the field empty it is OK as elsewhere.
    m_field->installEventFilter(this);
    repaintSample();
}

bool CHighlightDlg::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_field && event->type() == QEvent::KeyPress && !m_field->text().trimmed().isEmpty()) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            AddWord();
            return true;
        }
    }
    return CheckedDialog::eventFilter(watched, event);
}

void CHighlightDlg::wordSelected()
{
    QListWidgetItem *item = m_list->currentItem();
    if (!item || !item->isSelected())
        return;
    m_currentWord = item->text();
    if (const auto stored = settingsstore::HighlightWordColour(m_currentWord))
        m_currentColor = *stored;
    repaintSample();
}

bool CHighlightDlg::AddWord()
{
    const QString word = m_field->text();
    // An empty word would name the key's default value and match every line.
    if (word.trimmed().isEmpty())
        return false;
    if (!m_list->findItems(word, Qt::MatchFixedString).isEmpty()) { // MatchFixedString ignores case
        ferry::prompts::message(this, QStringLiteral("Word not added"),
                                QStringLiteral("That word is already in the list\n(Note: Words are NOT case sensitive!)"));
        return false;
    }
    const QString lower = word.toLower();
    settingsstore::SetHighlightWord(lower, m_currentColor);
    auto *item = new QListWidgetItem(lower, m_list);
    m_list->setCurrentItem(item);
    return true;
}

void CHighlightDlg::DeleteWord()
{
    // Taking the item out moves the selection, which names another current word.
    const QString word = m_currentWord;
    if (word.isEmpty())
        return;
    settingsstore::DeleteHighlightWord(word);
    const auto listed = m_list->findItems(word, Qt::MatchFixedString);
    if (!listed.isEmpty())
        delete listed.first();
    m_list->clearSelection();
    m_currentWord.clear();
    repaintSample();
}

void CHighlightDlg::ChooseColor()
{
    setCurrentColor(ChooseColorRef(this, m_currentColor));
}

void CHighlightDlg::setCurrentColor(quint32 colour)
{
    m_currentColor = colour;
    if (!m_currentWord.isEmpty())
        settingsstore::SetHighlightWord(m_currentWord, m_currentColor);
    repaintSample();
}

void CHighlightDlg::repaintSample()
{
    m_sample->setText(m_currentWord.isEmpty() ? QStringLiteral("Sample Text") : m_currentWord);
    m_sample->SetColors(m_currentColor, m_background);
}

void CHighlightDlg::done(int result)
{
    // However the dialog ends, the stored list is the one the program uses from now on.
    m_app.LoadHighlightWords();
    CheckedDialog::done(result);
}

void CHighlightDlg::applyFields(const QHash<QString, QString> &fields)
{
    if (const auto it = fields.find(QStringLiteral("delete")); it != fields.end()) {
        const auto listed = m_list->findItems(*it, Qt::MatchFixedString);
        if (!listed.isEmpty()) {
            m_list->setCurrentItem(listed.first());
            DeleteWord();
        }
    }
    if (const auto it = fields.find(QStringLiteral("color")); it != fields.end() && QColor::isValidColorName(it->trimmed()))
        setCurrentColor(colorRefFrom(QColor::fromString(it->trimmed())));
    if (const auto it = fields.find(QStringLiteral("add")); it != fields.end()) {
        m_field->setText(*it);
        AddWord();
    }
}

} // namespace tavern
