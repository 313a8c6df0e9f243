// The window captions by which an open saver window and an open settings dialog of this program are known.
#pragma once

#include <QString>

// Another start of the program looks for these captions and ends at once when it finds one; the
// saver's and the dialog's windows carry them.
namespace WindowCaptions {
inline const QString Saver = QStringLiteral("Helixcavern_Main");
inline const QString Dialog = QStringLiteral("Helixcavernの設定");
} // namespace WindowCaptions
