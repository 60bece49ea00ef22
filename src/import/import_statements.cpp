#include "import/import_statements.h"

#include <QStringList>

namespace import::statements {

namespace {

QString joined(const QList<int>& keys) {
    QStringList texts;
    texts.reserve(keys.size());
    for (int key : keys)
        texts << QString::number(key);
    return texts.join(u',');
}

} // namespace

QString remoteCompositions(const QList<int>& conflictingIngredients,
                           const QList<int>& conflictingNutrients) {
    QString sql = QStringLiteral("select id_producto,id_propiedad,valor from producto_propiedad");
    if (conflictingIngredients.isEmpty() && conflictingNutrients.isEmpty())
        return sql + QStringLiteral(" ORDER BY id_propiedad");
    sql += QStringLiteral(" where");
    if (!conflictingIngredients.isEmpty())
        sql += QStringLiteral(" id_producto not in(") + joined(conflictingIngredients) +
               QStringLiteral(") ");
    if (!conflictingNutrients.isEmpty())
        sql += (conflictingIngredients.isEmpty() ? QStringLiteral(" id_propiedad not in(")
                                                 : QStringLiteral(" and id_propiedad not in(")) +
               joined(conflictingNutrients) + QStringLiteral(") ");
    return sql + QStringLiteral(" ORDER BY id_propiedad");
}

QString localIngredient(int idProducto) {
    return QStringLiteral("select id_producto,codigo,nombre,unidad,costo,materia_seca from "
                          "productos where id_producto=") +
           QString::number(idProducto);
}

QString localNutrient(int idPropiedad) {
    return QStringLiteral(
               "select id_propiedad,nombre,unidad from propiedades where id_propiedad=") +
           QString::number(idPropiedad);
}

QString localCompositions(int idPropiedad) {
    return QStringLiteral("select id_propiedad,id_producto,valor from producto_propiedad where "
                          "id_propiedad=") +
           QString::number(idPropiedad);
}

QString insertComposition(int idProducto, int idPropiedad, const QString& valor) {
    return QStringLiteral(
               "INSERT INTO producto_propiedad (id_producto,id_propiedad,valor) VALUES (") +
           QString::number(idProducto) + u',' + QString::number(idPropiedad) + u',' + valor + u')';
}

QString updateComposition(int idProducto, int idPropiedad, const QString& valor) {
    return QStringLiteral("UPDATE producto_propiedad set valor=") + valor +
           QStringLiteral(" where id_producto=") + QString::number(idProducto) +
           QStringLiteral(" and id_propiedad=") + QString::number(idPropiedad);
}

QString insertIngredient(int idProducto, const QString& codigo, const QString& nombre,
                         const QString& unidad, const QString& costo, const QString& materiaSeca) {
    return QStringLiteral("INSERT INTO productos (id_producto,codigo,nombre,unidad,costo,"
                          "materia_seca) VALUES (") +
           QString::number(idProducto) + u',' + codigo + u',' + nombre + u',' + unidad + u',' +
           costo + u',' + materiaSeca + u')';
}

QString updateIngredient(int idProducto, const QString& unidad, const QString& costo,
                         const QString& materiaSeca) {
    return QStringLiteral("UPDATE productos set unidad=") + unidad + QStringLiteral(",costo=") +
           costo + QStringLiteral(",materia_seca=") + materiaSeca +
           QStringLiteral(" where id_producto=") + QString::number(idProducto);
}

QString insertNutrient(int idPropiedad, const QString& nombre, const QString& unidad) {
    return QStringLiteral("INSERT INTO propiedades (id_propiedad,nombre,unidad) VALUES (") +
           QString::number(idPropiedad) + u',' + nombre + u',' + unidad + u')';
}

QString updateNutrient(int idPropiedad, const QString& unidad) {
    return QStringLiteral("UPDATE propiedades set unidad=") + unidad +
           QStringLiteral(" where id_propiedad=") + QString::number(idPropiedad);
}

} // namespace import::statements
