#include "app/last_error.h"

namespace app {

namespace {

RunTimeError& recorded() {
    static RunTimeError error;
    return error;
}

} // namespace

void setLastError(int number, const QString& description) {
    recorded() = RunTimeError{number, description};
}

RunTimeError lastError() {
    return recorded();
}

} // namespace app
