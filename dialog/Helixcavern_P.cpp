// Placeholder body so the tree links while the dialog is being written.
#include "Helixcavern_P.h"

namespace Helixcavern_P {
int run() { return 0; }
}
