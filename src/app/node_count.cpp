#include "app/node_count.h"

namespace app {

QString nodeCount(long nodos) {
    return nodos == 1 ? QStringLiteral("1 nodo") : QStringLiteral("%1 nodos").arg(nodos);
}

} // namespace app
