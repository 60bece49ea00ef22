#include "app/data_error.h"

#include "app/last_error.h"

namespace app {

QString dataErrorText(int number) {
    if (number == kErrNoCurrentRecord)
        return QStringLiteral("Se ha encontrado el final del archivo o el registro ha sido "
                              "eliminado por otro usuario.");
    return QStringLiteral("No es posible efectuar la operación.");
}

QString reportDataError(int number, const QString& description) {
    setLastError(number, description);
    return dataErrorText(number);
}

} // namespace app
