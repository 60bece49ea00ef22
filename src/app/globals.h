#pragma once

#include <QString>
#include <QtGlobal>

namespace app {

// How a list view was opened: maintaining the catalogue or picking one row for the opener.
inline const QString kModoABM = QStringLiteral("ABM");
inline const QString kModoBuscar = QStringLiteral("BUSCAR");

// The values views hand to each other. The opener of a view sets what the view reads and
// reads what it sets after the view closes; ids of 0 mean none, new or cancelled.
struct Globals {
    QString gModo;
    qint32 gIdFormula = 0;
    qint32 gIdProducto = 0;
    qint32 gIdPropiedad = 0;
    QString gNombreProducto;
    QString gNombrePropiedad;
    double gCostoProducto = 0.0;
    double gCantidad = 0.0;
    bool gMantenerNutrientes = false;
    QString gTextoError;
    qint16 gDestinoImpresion = 0;

    // The most recent run-time error, shown by the error view's "Detalle".
    int errorNumber = 0;
    QString errorDescription;
};

// The one instance of the program.
Globals& globals();

// Whoever reports a run-time error records it here first, so the error view can detail it.
void setLastError(int number, const QString& description);

} // namespace app
