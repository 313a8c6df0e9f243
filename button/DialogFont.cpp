// The settings dialog's font; see DialogFont.h.
#include "button/DialogFont.h"

#include <QFontDatabase>
#include <QStringList>

QString DialogFont::family() { return QStringLiteral("ＭＳ Ｐゴシック"); }

QFont DialogFont::font()
{
    static const bool substituted = [] {
        QStringList substitutes{QStringLiteral("IPAPGothic")};
        for (const QString &japanese : QFontDatabase::families(QFontDatabase::Japanese))
            if (!substitutes.contains(japanese))
                substitutes.append(japanese);
        QFont::insertSubstitutions(family(), substitutes);
        return true;
    }();
    Q_UNUSED(substituted);
    QFont font(family());
    font.setPixelSize(PixelSize);
    font.setWeight(QFont::Normal);
    return font;
}
