// Placeholder body so the tree links while the preview is being written.
#include "Helixcavern_R.h"

namespace Helixcavern_R {
int run(qint32) { return 0; }
}
