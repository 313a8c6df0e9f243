// The file chooser's filter entry; see PictureNameFilter.h.
#include "dialog/PictureNameFilter.h"

QString PictureNameFilter::description() { return QStringLiteral("画像ﾌｧｲﾙ (BMP JPG)"); }

QStringList PictureNameFilter::patterns() { return {QStringLiteral("*.BMP"), QStringLiteral("*JPG")}; }

QString PictureNameFilter::dialogFilter()
{
    return description() + QStringLiteral(" (") + patterns().join(QLatin1Char(' ')) + QLatin1Char(')');
}

bool PictureNameFilter::matches(const QString &fileName)
{
    return fileName.endsWith(QLatin1String(".BMP"), Qt::CaseInsensitive)
        || fileName.endsWith(QLatin1String("JPG"), Qt::CaseInsensitive);
}
