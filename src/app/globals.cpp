#include "app/globals.h"

namespace app {

Globals& globals() {
    static Globals instance;
    return instance;
}

void setLastError(int number, const QString& description) {
    Globals& g = globals();
    g.errorNumber = number;
    g.errorDescription = description;
}

} // namespace app
