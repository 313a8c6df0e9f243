// The preview form: a still picture of the tunnel embedded in a host's window.
#pragma once

#include <QtGlobal>

namespace Helixcavern_R {
// Embeds the preview into host window `hostHandle` and serves it until the host goes away;
// returns the exit status. Needs the QApplication that Main has built.
int run(qint32 hostHandle);
}
