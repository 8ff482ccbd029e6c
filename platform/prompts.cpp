#include "platform/prompts.h"

#include <QColorDialog>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QFontDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QStringList>
#include <QTextStream>

namespace ferry::prompts {
namespace {

struct Script {
    bool loaded = false;
    QString path;
    QStringList answers;
    int next = 0;
};

Script &script()
{
    static Script s;
    if (!s.loaded) {
        s.loaded = true;
        s.path = qEnvironmentVariable("FERRY_PROMPTS");
        QFile f(s.path);
        if (!s.path.isEmpty() && f.open(QIODevice::ReadOnly | QIODevice::Text)) {
            const QString all = QString::fromUtf8(f.readAll());
            for (QString line : all.split(QLatin1Char('\n'))) {
                if (line.endsWith(QLatin1Char('\r')))
                    line.chop(1);
                if (!line.isEmpty())
                    s.answers << line;
            }
        }
    }
    return s;
}

QString escaped(QString text)
{
    text.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    text.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    text.replace(QLatin1Char('\r'), QLatin1String("\\r"));
    text.replace(QLatin1Char('\t'), QLatin1String("\\t"));
    return text;
}

// Logs the prompt and returns the next scripted answer, or an empty string when none is left.
QString scripted(const QString &kind, const QString &caption, const QString &text)
{
    Script &s = script();
    QFile log(s.path + QLatin1String(".log"));
    if (log.open(QIODevice::WriteOnly | QIODevice::Append)) {
        const QString line = kind + QLatin1Char('\t') + escaped(caption) + QLatin1Char('\t')
                             + escaped(text) + QLatin1Char('\n');
        log.write(line.toUtf8());
    }
    if (s.next < s.answers.size())
        return s.answers.at(s.next++);
    return QString();
}

QString kindOf(Icon icon)
{
    switch (icon) {
    case Icon::Information: return QStringLiteral("info");
    case Icon::Warning: return QStringLiteral("warning");
    case Icon::Error: return QStringLiteral("error");
    case Icon::Question: return QStringLiteral("question");
    case Icon::None: break;
    }
    return QStringLiteral("message");
}

Answer safeDefault(Buttons buttons)
{
    switch (buttons) {
    case Buttons::Ok: return Answer::Ok;
    case Buttons::YesNo: return Answer::No;
    case Buttons::OkCancel:
    case Buttons::YesNoCancel:
    case Buttons::RetryCancel: break;
    }
    return Answer::Cancel;
}

bool offers(Buttons buttons, Answer a)
{
    switch (buttons) {
    case Buttons::Ok: return a == Answer::Ok;
    case Buttons::OkCancel: return a == Answer::Ok || a == Answer::Cancel;
    case Buttons::YesNo: return a == Answer::Yes || a == Answer::No;
    case Buttons::YesNoCancel: return a == Answer::Yes || a == Answer::No || a == Answer::Cancel;
    case Buttons::RetryCancel: return a == Answer::Retry || a == Answer::Cancel;
    }
    return false;
}

Answer scriptedAnswer(const QString &word, Buttons buttons)
{
    const QString w = word.trimmed().toLower();
    // Each word names its button; "ok" and "yes" stand for each other, as do "cancel" and "no".
    QList<Answer> wanted;
    if (w == QLatin1String("ok") || w == QLatin1String("yes"))
        wanted = {w == QLatin1String("ok") ? Answer::Ok : Answer::Yes, Answer::Ok, Answer::Yes, Answer::Retry};
    else if (w == QLatin1String("no"))
        wanted = {Answer::No, Answer::Cancel};
    else if (w == QLatin1String("cancel"))
        wanted = {Answer::Cancel, Answer::No};
    else if (w == QLatin1String("retry"))
        wanted = {Answer::Retry};
    for (Answer a : wanted)
        if (offers(buttons, a))
            return a;
    return safeDefault(buttons);
}

QMessageBox::StandardButtons qtButtons(Buttons b)
{
    switch (b) {
    case Buttons::Ok: return QMessageBox::Ok;
    case Buttons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case Buttons::YesNo: return QMessageBox::Yes | QMessageBox::No;
    case Buttons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case Buttons::RetryCancel: return QMessageBox::Retry | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon qtIcon(Icon i)
{
    switch (i) {
    case Icon::Information: return QMessageBox::Information;
    case Icon::Warning: return QMessageBox::Warning;
    case Icon::Error: return QMessageBox::Critical;
    case Icon::Question: return QMessageBox::Question;
    case Icon::None: break;
    }
    return QMessageBox::NoIcon;
}

Answer fromQt(int button)
{
    switch (button) {
    case QMessageBox::Ok: return Answer::Ok;
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    case QMessageBox::Retry: return Answer::Retry;
    default: return Answer::Cancel;
    }
}

std::optional<QString> prefixed(const QString &answer, QLatin1String prefix)
{
    if (answer.startsWith(prefix))
        return answer.mid(prefix.size());
    return std::nullopt;
}

} // namespace

bool nonInteractive()
{
    return !qEnvironmentVariableIsEmpty("FERRY_PROMPTS");
}

void reset()
{
    script() = Script();
}

Answer message(QWidget *parent, const QString &caption, const QString &text, Buttons buttons, Icon icon)
{
    if (nonInteractive()) {
        const QString word = scripted(kindOf(icon), caption, text);
        return word.isEmpty() ? safeDefault(buttons) : scriptedAnswer(word, buttons);
    }
    QMessageBox box(qtIcon(icon), caption, text, qtButtons(buttons), parent);
    box.setTextFormat(Qt::PlainText);
    return fromQt(box.exec());
}

void warning(QWidget *parent, const QString &caption, const QString &text)
{
    message(parent, caption, text, Buttons::Ok, Icon::Warning);
}

void error(QWidget *parent, const QString &caption, const QString &text)
{
    message(parent, caption, text, Buttons::Ok, Icon::Error);
}

void information(QWidget *parent, const QString &caption, const QString &text)
{
    message(parent, caption, text, Buttons::Ok, Icon::Information);
}

bool askYesNo(QWidget *parent, const QString &caption, const QString &text, Icon icon)
{
    return message(parent, caption, text, Buttons::YesNo, icon) == Answer::Yes;
}

std::optional<QString> askText(QWidget *parent, const QString &caption, const QString &label,
                               const QString &initial)
{
    if (nonInteractive()) {
        const QString answer = scripted(QStringLiteral("text"), caption, label);
        if (answer.trimmed().toLower() == QLatin1String("ok"))
            return initial;
        return prefixed(answer, QLatin1String("text:"));
    }
    bool ok = false;
    const QString value = QInputDialog::getText(parent, caption, label, QLineEdit::Normal, initial, &ok);
    return ok ? std::optional<QString>(value) : std::nullopt;
}

std::optional<QString> openFile(QWidget *parent, const QString &caption, const QString &dir,
                                const QString &filter)
{
    if (nonInteractive())
        return prefixed(scripted(QStringLiteral("open"), caption, dir), QLatin1String("file:"));
    const QString name = QFileDialog::getOpenFileName(parent, caption, dir, filter);
    return name.isEmpty() ? std::nullopt : std::optional<QString>(name);
}

std::optional<QString> saveFile(QWidget *parent, const QString &caption, const QString &suggested,
                                const QString &filter)
{
    if (nonInteractive())
        return prefixed(scripted(QStringLiteral("save"), caption, suggested), QLatin1String("file:"));
    const QString name = QFileDialog::getSaveFileName(parent, caption, suggested, filter);
    return name.isEmpty() ? std::nullopt : std::optional<QString>(name);
}

std::optional<QColor> chooseColor(QWidget *parent, const QString &caption, const QColor &initial)
{
    if (nonInteractive()) {
        const QString answer = scripted(QStringLiteral("color"), caption, initial.name());
        if (answer.trimmed().toLower() == QLatin1String("ok"))
            return initial;
        const auto text = prefixed(answer, QLatin1String("text:"));
        if (text && QColor::isValidColorName(*text))
            return QColor::fromString(*text);
        return std::nullopt;
    }
    const QColor c = QColorDialog::getColor(initial, parent, caption);
    return c.isValid() ? std::optional<QColor>(c) : std::nullopt;
}

std::optional<QFont> chooseFont(QWidget *parent, const QString &caption, const QFont &initial)
{
    if (nonInteractive()) {
        const QString answer = scripted(QStringLiteral("font"), caption, initial.toString());
        if (answer.trimmed().toLower() == QLatin1String("ok"))
            return initial;
        if (const auto text = prefixed(answer, QLatin1String("text:"))) {
            QFont f;
            if (f.fromString(*text))
                return f;
        }
        return std::nullopt;
    }
    bool ok = false;
    const QFont f = QFontDialog::getFont(&ok, initial, parent, caption);
    return ok ? std::optional<QFont>(f) : std::nullopt;
}

bool execDialog(QDialog *dialog, const QString &caption, const std::function<void(const QString &)> &applyText)
{
    if (nonInteractive()) {
        const QString answer = scripted(QStringLiteral("dialog"), caption, dialog->windowTitle());
        if (answer.trimmed().toLower() == QLatin1String("ok")) {
            dialog->accept();
            return dialog->result() == QDialog::Accepted;
        }
        if (const auto text = prefixed(answer, QLatin1String("text:")); text && applyText) {
            applyText(*text);
            dialog->accept();
            return dialog->result() == QDialog::Accepted;
        }
        dialog->reject();
        return false;
    }
    return dialog->exec() == QDialog::Accepted;
}

QString windowsFilter(const QString &filter)
{
    // "Name|pattern|Name|pattern||": keep the names, which carry their patterns in brackets.
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList names;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        if (parts.at(i).isEmpty())
            break;
        QString pattern = parts.at(i + 1);
        pattern.replace(QLatin1Char(';'), QLatin1Char(' '));
        names << (parts.at(i).contains(QLatin1Char('(')) ? parts.at(i)
                                                         : parts.at(i) + QLatin1String(" (") + pattern + QLatin1Char(')'));
    }
    return names.join(QLatin1String(";;"));
}

} // namespace ferry::prompts
