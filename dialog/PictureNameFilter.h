// The file chooser's one filter entry: names ending in ".BMP" or in "JPG", without regard to case.
#pragma once

#include <QString>
#include <QStringList>

class PictureNameFilter
{
public:
    // What the chooser's filter list shows.
    static QString description();
    // The glob patterns; the second has no dot, so "photoJPG" passes as well as "photo.jpg".
    static QStringList patterns();
    // The filter string for QFileDialog: the description followed by the patterns in parentheses,
    // which the dialog hides (HideNameFilterDetails) so the list shows the description alone.
    static QString dialogFilter();
    // Whether a file name (no folder) passes the filter.
    static bool matches(const QString &fileName);
};
