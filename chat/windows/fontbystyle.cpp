#include "chat/windows/fontbystyle.h"

#include <QFontDatabase>
#include <QGuiApplication>

namespace tavern {

namespace {

QString styleFromFlags(const FontFlags &flags)
{
    if (flags.bold && flags.italic)
        return QStringLiteral("Bold Italic");
    if (flags.bold)
        return QStringLiteral("Bold");
    if (flags.italic)
        return QStringLiteral("Italic");
    return QStringLiteral("Regular");
}

QString installedFamily(const QString &faceName)
{
    if (faceName.isEmpty())
        return {};
    for (const QString &family : QFontDatabase::families()) {
        if (family.compare(faceName, Qt::CaseInsensitive) == 0)
            return family;
    }
    return {};
}

} // namespace

std::optional<QFont> createFontByStyle(const QString &faceName, const QString &styleName,
                                       int pointSize, const FontFlags &flags)
{
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return std::nullopt;
    const QString style = styleName.isEmpty() ? styleFromFlags(flags) : styleName;
    const int points = pointSize > 0 ? pointSize : 8;

    QFont font;
    const QString family = installedFamily(faceName);
    if (family.isEmpty()) {
        if (flags.exact)
            return std::nullopt;
        font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        font.setPointSize(points);
    } else {
        const QStringList styles = QFontDatabase::styles(family);
        QString chosen = styles.isEmpty() ? QString() : styles.last();
        for (const QString &s : styles) {
            if (s.compare(style, Qt::CaseInsensitive) == 0) {
                chosen = s;
                break;
            }
        }
        font = chosen.isEmpty() ? QFont(family, points) : QFontDatabase::font(family, chosen, points);
        font.setPointSize(points);
    }
    if (styleName.isEmpty()) {
        font.setWeight(flags.bold ? QFont::Bold : QFont::Normal);
        font.setItalic(flags.italic);
    }
    font.setUnderline(flags.underline);
    font.setStrikeOut(flags.strikeOut);
    return font;
}

} // namespace tavern
