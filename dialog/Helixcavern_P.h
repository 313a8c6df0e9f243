// The settings dialog "Helixcavernの設定".
#pragma once

namespace Helixcavern_P {
// Shows the dialog modally; returns the exit status once it is closed.
int run();
}
