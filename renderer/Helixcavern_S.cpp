// Placeholder body so the tree links while the renderer is being written.
#include "Helixcavern_S.h"

namespace Helixcavern_S {
int run() { return 0; }
}
