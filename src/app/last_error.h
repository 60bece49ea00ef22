#pragma once

#include <QString>

namespace app {

// A run-time error as the error view's "Detalle" reports it.
struct RunTimeError {
    int number = 0;
    QString description;
};

// Whoever reports a run-time error records it here first, so the error view can detail it. It is
// program-wide because the error may come from any view, or from before any view opened.
void setLastError(int number, const QString& description);

// The most recent run-time error (number 0 while there has been none).
RunTimeError lastError();

} // namespace app
