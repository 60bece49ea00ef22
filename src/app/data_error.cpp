#include "app/data_error.h"

#include "app/globals.h"

namespace app {

QString dataErrorText(int number) {
    if (number == kErrNoCurrentRecord)
        return QStringLiteral("Se ha encontrado el final del archivo o el registro ha sido "
                              "eliminado por otro usuario.");
    return QStringLiteral("No es posible efectuar la operación.");
}

void reportDataError(int number, const QString& description) {
    setLastError(number, description);
    globals().gTextoError = dataErrorText(number);
}

} // namespace app
