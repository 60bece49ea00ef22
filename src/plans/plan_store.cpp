#include "plans/plan_store.h"

#include "store/database.h"
#include "store/record_set.h"
#include "store/sql_text.h"

#include <QVariant>

namespace plans {

namespace {

QString key(int id) {
    return QString::number(id);
}

std::optional<double> optionalNumber(const QVariant& v) {
    if (v.isNull() || !v.isValid())
        return std::nullopt;
    return v.toDouble();
}

QVariant variantOf(const std::optional<double>& v) {
    return v ? QVariant(*v) : QVariant();
}

} // namespace

std::vector<PlanHeader> listPlans(store::Database& db) {
    store::RecordSet rs =
        db.query(QStringLiteral("select id_plan,nombre,fecha from planes order by nombre"));
    std::vector<PlanHeader> out;
    for (int r = 0; r < rs.count(); ++r)
        out.push_back({rs.valueAt(r, 0).toInt(), rs.valueAt(r, 1).toString().trimmed(),
                       rs.valueAt(r, 2).toDate()});
    return out;
}

std::optional<int> findPlan(store::Database& db, const QString& nombre) {
    store::RecordSet rs =
        db.query(QStringLiteral("select id_plan from planes where nombre=") + sql::text(nombre));
    if (rs.count() == 0)
        return std::nullopt;
    return rs.valueAt(0, 0).toInt();
}

std::optional<StoredPlan> loadPlan(store::Database& db, int idPlan) {
    store::RecordSet h = db.query(
        QStringLiteral("select id_plan,nombre,fecha from planes where id_plan=") + key(idPlan));
    if (h.count() == 0)
        return std::nullopt;
    StoredPlan plan;
    plan.header = {idPlan, h.valueAt(0, 1).toString().trimmed(), h.valueAt(0, 2).toDate()};
    store::RecordSet f = db.query(
        QStringLiteral("select pf.id_formula,f.codigo,f.producto,f.version,pf.cantidad from "
                       "plan_formula pf,formulas f where pf.id_formula=f.id_formula and "
                       "pf.id_plan=") +
        key(idPlan) + QStringLiteral(" order by f.codigo,f.version"));
    for (int r = 0; r < f.count(); ++r)
        plan.formulas.push_back({f.valueAt(r, 0).toInt(), f.valueAt(r, 1).toString().trimmed(),
                                 f.valueAt(r, 2).toString().trimmed(),
                                 f.valueAt(r, 3).toString().trimmed(), f.valueAt(r, 4).toDouble()});
    store::RecordSet s = db.query(
        QStringLiteral("select pp.id_producto,p.nombre,pp.disponible,pp.minimo_uso from "
                       "plan_producto pp,productos p where pp.id_producto=p.id_producto and "
                       "pp.id_plan=") +
        key(idPlan) + QStringLiteral(" order by p.nombre"));
    for (int r = 0; r < s.count(); ++r)
        plan.stock.push_back({s.valueAt(r, 0).toInt(), s.valueAt(r, 1).toString().trimmed(),
                              optionalNumber(s.valueAt(r, 2)), optionalNumber(s.valueAt(r, 3))});
    return plan;
}

std::optional<int> createPlan(store::Database& db, const QString& nombre) {
    store::Database::Transaction tx(db, store::Database::Transaction::WriteLock::Now);
    if (findPlan(db, nombre))
        return std::nullopt;
    const int id = db.nextKey(QStringLiteral("planes"), QStringLiteral("id_plan"));
    db.exec(QStringLiteral("insert into planes (id_plan,nombre,fecha) values (") + key(id) +
            QStringLiteral(",") + sql::text(nombre) + QStringLiteral(",") +
            sql::date(QDate::currentDate()) + QStringLiteral(")"));
    tx.commit();
    return id;
}

void setPlanFormula(store::Database& db, int idPlan, int idFormula, double cantidad) {
    store::Database::Transaction tx(db, store::Database::Transaction::WriteLock::Now);
    const QString where = QStringLiteral(" where id_plan=") + key(idPlan) +
                          QStringLiteral(" and id_formula=") + key(idFormula);
    if (db.exec(QStringLiteral("update plan_formula set cantidad=") + sql::number(cantidad) +
                where) == 0)
        db.exec(QStringLiteral("insert into plan_formula (id_plan,id_formula,cantidad) values (") +
                key(idPlan) + QStringLiteral(",") + key(idFormula) + QStringLiteral(",") +
                sql::number(cantidad) + QStringLiteral(")"));
    tx.commit();
}

void removePlanFormula(store::Database& db, int idPlan, int idFormula) {
    db.exec(QStringLiteral("delete from plan_formula where id_plan=") + key(idPlan) +
            QStringLiteral(" and id_formula=") + key(idFormula));
}

void setPlanStock(store::Database& db, int idPlan, const PlanStockRow& row) {
    store::Database::Transaction tx(db, store::Database::Transaction::WriteLock::Now);
    const QString where = QStringLiteral(" where id_plan=") + key(idPlan) +
                          QStringLiteral(" and id_producto=") + key(row.idProducto);
    db.exec(QStringLiteral("delete from plan_producto") + where);
    if (row.disponible || row.minimoUso)
        db.exec(
            QStringLiteral("insert into plan_producto (id_plan,id_producto,disponible,minimo_uso) "
                           "values (") +
            key(idPlan) + QStringLiteral(",") + key(row.idProducto) + QStringLiteral(",") +
            sql::numberOrNull(variantOf(row.disponible)) + QStringLiteral(",") +
            sql::numberOrNull(variantOf(row.minimoUso)) + QStringLiteral(")"));
    tx.commit();
}

void deletePlan(store::Database& db, int idPlan) {
    store::Database::Transaction tx(db);
    db.exec(QStringLiteral("delete from plan_producto where id_plan=") + key(idPlan));
    db.exec(QStringLiteral("delete from plan_formula where id_plan=") + key(idPlan));
    db.exec(QStringLiteral("delete from planes where id_plan=") + key(idPlan));
    tx.commit();
}

QString checkQuantity(double cantidad) {
    if (!(cantidad > 0) || !qIsFinite(cantidad))
        return QStringLiteral("La cantidad a producir debe ser mayor que cero");
    return {};
}

QString checkStock(const PlanStockRow& row) {
    for (const std::optional<double>& v : {row.disponible, row.minimoUso})
        if (v && (!(*v >= 0) || !qIsFinite(*v)))
            return QStringLiteral("Las cantidades de %1 no pueden ser negativas").arg(row.nombre);
    if (row.disponible && row.minimoUso && *row.minimoUso > *row.disponible)
        return QStringLiteral("El uso mínimo de %1 supera lo disponible").arg(row.nombre);
    return {};
}

} // namespace plans
