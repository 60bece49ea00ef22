#pragma once

#include <QString>

namespace app {

// How many nodes a weighing search took, as its notices write it: "1 nodo", "25 nodos".
QString nodeCount(long nodos);

} // namespace app
