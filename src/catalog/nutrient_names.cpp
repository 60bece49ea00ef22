#include "catalog/nutrient_names.h"

#include "store/database.h"

namespace catalog {

namespace {

QString folded(const QString& name) {
    return name.trimmed().toCaseFolded();
}

} // namespace

NutrientNames::NutrientNames(store::Database& db) {
    db.forEachRow(QStringLiteral("select id_propiedad,nombre from propiedades"), {},
                  [&](const store::Database::Row& row) {
                      const int id = row[0].toInt();
                      const QString name = row[1].toString().trimmed();
                      exact_[name] << id;
                      anyCase_[folded(name)] << id;
                      nameOf_.insert(id, name);
                  });
}

QList<int> NutrientNames::named(const QString& name) const {
    const QList<int> same = exact_.value(name.trimmed());
    return same.isEmpty() ? anyCase_.value(folded(name)) : same;
}

} // namespace catalog
