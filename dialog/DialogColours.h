// The settings dialog's background colours, which its open/close outline draws with too.
#pragma once

#include "dialog/DialogLayout.h"

#include <QColor>

namespace DialogColours {

// A row of the window's background gradient at grey level `level` (see DialogLayout::gradientLevel):
// the blue channel lifted a little. The open/close outline draws with the gradient's two ends.
inline QColor gradient(int level) { return QColor(level, level, level + DialogLayout::GradientBlueLift); }

} // namespace DialogColours
