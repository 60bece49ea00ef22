#include "optimizer/node_count.h"

namespace optimizer {

QString nodeCount(long nodos) {
    return nodos == 1 ? QStringLiteral("1 nodo") : QStringLiteral("%1 nodos").arg(nodos);
}

} // namespace optimizer
