#pragma once

// The one prompt service of both programs. Every message box, question and modal
// dialog goes through here. With $FERRY_PROMPTS=<file> set, nothing is shown:
// each prompt is appended to <file>.log as one line "kind<TAB>caption<TAB>text"
// and answered from the lines of <file> in order ("yes", "no", "ok", "cancel",
// "text:...", "file:..."); once the answers run out the safe default is taken.

#include <QColor>
#include <QFont>
#include <QString>

#include <functional>
#include <optional>

class QWidget;
class QDialog;

namespace ferry::prompts {

enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class Icon { None, Information, Warning, Error, Question };
enum class Answer { Ok, Cancel, Yes, No, Retry };

// A message box. Returns the button pressed.
Answer message(QWidget *parent, const QString &caption, const QString &text,
               Buttons buttons = Buttons::Ok, Icon icon = Icon::None);

// Shorthands for the common boxes.
void warning(QWidget *parent, const QString &caption, const QString &text);
void error(QWidget *parent, const QString &caption, const QString &text);
void information(QWidget *parent, const QString &caption, const QString &text);
bool askYesNo(QWidget *parent, const QString &caption, const QString &text,
              Icon icon = Icon::Question);

// A one-line text question; nullopt when cancelled.
std::optional<QString> askText(QWidget *parent, const QString &caption, const QString &label,
                               const QString &initial = QString());

// File dialogs. filter uses Qt's "Name (*.x);;All (*)" form; see windowsFilter().
std::optional<QString> openFile(QWidget *parent, const QString &caption, const QString &dir,
                                const QString &filter);
// The interactive dialog asks before overwriting an existing file.
std::optional<QString> saveFile(QWidget *parent, const QString &caption, const QString &suggested,
                                const QString &filter);

std::optional<QColor> chooseColor(QWidget *parent, const QString &caption, const QColor &initial);
std::optional<QFont> chooseFont(QWidget *parent, const QString &caption, const QFont &initial);

// Runs a modal dialog of the program's own. Non-interactive: "ok" accepts it as it
// stands, "text:X" passes X to applyText (when given) and accepts, anything else rejects.
bool execDialog(QDialog *dialog, const QString &caption,
                const std::function<void(const QString &)> &applyText = {});

// Converts a filter of the form "Text files (*.txt)|*.txt|All files (*.*)|*.*||".
QString windowsFilter(const QString &filter);

// True when $FERRY_PROMPTS is set.
bool nonInteractive();

// Forgets the answers read so far, so the next prompt reads $FERRY_PROMPTS anew (tests).
void reset();

} // namespace ferry::prompts
