#pragma once

#include <QHash>
#include <QList>
#include <QString>

namespace store {
class Database;
}

namespace catalog {

// The catalogue's nutrients by name, as a list file names them (nutrients have no code): the
// name as written, else regardless of case. Names may repeat, so a name stands for a list.
class NutrientNames {
public:
    explicit NutrientNames(store::Database& db);

    // The nutrients the name stands for: the exact matches, else those regardless of case.
    QList<int> named(const QString& name) const;
    QString nameOf(int id) const { return nameOf_.value(id); }

private:
    QHash<QString, QList<int>> exact_;
    QHash<QString, QList<int>> anyCase_;
    QHash<int, QString> nameOf_;
};

} // namespace catalog
