#pragma once

#include <QString>

// Every text the formula list and the formula header editor show, in one place.
namespace formulas::texts {

// The formula list.
inline const QString kListCaption = QStringLiteral("Fórmulas");
inline const QString kInvalidDate = QStringLiteral("La fecha no es Válida");
inline const QString kInvalidValue = QStringLiteral("Debe ingresar un valor numérico Válido");
inline const QString kDeleteQuestionStart = QStringLiteral("¿Desea eliminar la Fórmula ");
inline const QString kDeleteQuestionEnd = QStringLiteral("?");
inline const QString kDeleteFailed = QStringLiteral("No es posible eliminar el Registro");
inline const QString kPickToolTip = QStringLiteral("Asignar presupuesto ");

// The formula header editor.
inline const QString kEditorCaption = QStringLiteral("Grabar Fórmula");
inline const QString kNewVersionCheck = QStringLiteral("Guardar una nueva Versión de la Fórmula");
inline const QString kCannotSave = QStringLiteral("No es posible grabar la fórmula");
inline const QString kNoVersion = QStringLiteral("No se pudo recuperar la versión");
inline const QString kCodeMissing = QStringLiteral("Debe ingresar el Código de la Fórmula");
inline const QString kProductMissing = QStringLiteral("Debe ingresar el Producto para la Fórmula");
inline const QString kCodeTaken = QStringLiteral("El Código de la Fórmula Ya fue Ingresado");
inline const QString kNoId = QStringLiteral("No se pudo recuperar el id");
// The workspace reads the batch quantity back as a 16-bit whole number; a quantity it could not
// hold is refused here rather than stored and later loaded as something else.
inline const QString kQuantityOutOfRange =
    QStringLiteral("No es posible grabar la fórmula: la cantidad a elaborar debe estar entre "
                   "-32768 y 32767.");

// A failed write, with the store's reason (a missing write permission, a lost connection...).
inline QString cannotSave(const QString& reason) {
    return reason.isEmpty() ? kCannotSave : kCannotSave + QStringLiteral(": ") + reason;
}

// A code holding one version in more than one row (saved before the database refused that): a
// new version of it waits until the user keeps only one.
inline QString repeatedVersion(const QString& code, const QString& version, int rows) {
    return QStringLiteral("La fórmula %1 tiene %2 filas con la versión %3. No se graba una "
                          "versión nueva de ella mientras una versión esté repetida: elimine "
                          "las filas sobrantes en la lista de fórmulas y vuelva a grabar.")
        .arg(code)
        .arg(rows)
        .arg(version);
}

inline QString deleteQuestion(const QString& code) {
    return kDeleteQuestionStart + code + kDeleteQuestionEnd;
}

} // namespace formulas::texts
