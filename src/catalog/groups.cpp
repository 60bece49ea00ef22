#include "catalog/groups.h"

#include "catalog/new_key.h"
#include "store/added_tables.h"
#include "store/database.h"
#include "store/sql_text.h"
#include "store/stored_values.h"

#include <QSet>
#include <QStringList>

namespace catalog {

namespace {

const QString kGroups = QStringLiteral("grupos");
const QString kMembers = QStringLiteral("grupo_producto");
const QString kNameBox = QStringLiteral("txtNombre");

QString key(int id) {
    return QString::number(id);
}

QString shownKey(const QVariant& raw) {
    return raw.isValid() ? raw.toString() : QStringLiteral("Null");
}

bool groupExists(store::Database& db, int idGrupo) {
    return db.query(QStringLiteral("select id_grupo from grupos where id_grupo=") + key(idGrupo))
               .count() > 0;
}

} // namespace

QString askDeleteGroup(const QString& name, int members, int formulasUsing) {
    QString text = QStringLiteral("¿Desea eliminar el Grupo «%1»?").arg(name.trimmed());
    if (members > 0)
        text += members == 1
                    ? QStringLiteral("\nSu ingrediente deja de pertenecer a él (sigue en el "
                                     "catálogo).")
                    : QStringLiteral("\nSus %1 ingredientes dejan de pertenecer a él (siguen en "
                                     "el catálogo).")
                          .arg(members);
    if (formulasUsing > 0)
        text +=
            formulasUsing == 1
                ? QStringLiteral("\nSe quita también su límite en 1 fórmula.")
                : QStringLiteral("\nSe quita también su límite en %1 fórmulas.").arg(formulasUsing);
    return text;
}

QString askRemoveMember(const QString& ingredientName, const QString& groupName) {
    return QStringLiteral("¿Desea quitar «%1» del Grupo «%2»?")
        .arg(ingredientName.trimmed(), groupName.trimmed());
}

std::vector<IngredientGroup> listGroups(store::Database& db) {
    std::vector<IngredientGroup> out;
    if (!store::hasTable(db, kGroups))
        return out;
    QSet<int> seen;
    db.forEachRow(
        QStringLiteral("select id_grupo,nombre from grupos order by nombre"), {},
        [&](const store::Database::Row& r) {
            const QString row = QStringLiteral("id_grupo=") + shownKey(r[0]);
            const int id = store::storedInteger(r[0], {kGroups, row, "id_grupo"});
            if (seen.contains(id))
                throw store::StoredValueError(
                    QStringLiteral("La tabla grupos tiene dos filas para (%1).").arg(row));
            seen.insert(id);
            out.push_back({id, r[1].toString()});
        });
    return out;
}

std::vector<GroupMember> groupMembers(store::Database& db, int idGrupo) {
    std::vector<GroupMember> out;
    if (!store::hasTable(db, kMembers))
        return out;
    db.forEachRow(QStringLiteral("select gp.id_producto,p.codigo,p.nombre from grupo_producto gp, "
                                 "productos p where gp.id_producto=p.id_producto and "
                                 "gp.id_grupo=? order by p.nombre"),
                  {idGrupo}, [&](const store::Database::Row& r) {
                      const QString row = QStringLiteral("id_grupo=") + key(idGrupo) +
                                          QStringLiteral(", id_producto=") + shownKey(r[0]);
                      const int id = store::storedInteger(r[0], {kMembers, row, "id_producto"});
                      out.push_back({id, r[1].toString().trimmed(), r[2].toString()});
                  });
    return out;
}

std::optional<Refusal> checkGroupName(store::Database& db, const QString& name, int ownId) {
    const QString wanted = name.trimmed();
    if (wanted.isEmpty())
        return Refusal{kDebeNombreGrupo, kNameBox};
    if (wanted.size() > kGroupNameLength)
        return Refusal{kNombreGrupoLargo, kNameBox};
    for (const IngredientGroup& g : listGroups(db))
        if (g.id != ownId && g.nombre.trimmed().compare(wanted, Qt::CaseInsensitive) == 0)
            return Refusal{kGrupoRepetido, kNameBox};
    return std::nullopt;
}

GroupCreated createGroup(store::Database& db, const QString& name) {
    store::Database::Transaction tx(db, store::Database::Transaction::WriteLock::Now);
    if (auto refusal = checkGroupName(db, name))
        return {0, refusal};
    int id = 0;
    try {
        id = insertWithNewKey(db, kGroups, QStringLiteral("id_grupo"), [&](int k) {
            return QStringLiteral("insert into grupos (id_grupo,nombre) values (") + key(k) + u',' +
                   sql::text(name) + u')';
        });
    } catch (const store::StoreError&) {
        // Another window stored the same name meanwhile.
        if (auto refusal = checkGroupName(db, name))
            return {0, refusal};
        throw;
    }
    tx.commit();
    return {id, std::nullopt};
}

std::optional<Refusal> renameGroup(store::Database& db, int idGrupo, const QString& name) {
    store::Database::Transaction tx(db, store::Database::Transaction::WriteLock::Now);
    if (auto refusal = checkGroupName(db, name, idGrupo))
        return refusal;
    if (db.exec(QStringLiteral("update grupos set nombre=") + sql::text(name) +
                QStringLiteral(" where id_grupo=") + key(idGrupo)) == 0)
        return Refusal{kGrupoNoExiste, kNameBox};
    tx.commit();
    return std::nullopt;
}

int formulasUsingGroup(store::Database& db, int idGrupo) {
    if (!store::hasTable(db, QStringLiteral("formula_grupo")))
        return 0;
    return db
        .query(QStringLiteral("select count(*) from formula_grupo fg,formulas f where "
                              "fg.id_formula=f.id_formula and fg.id_grupo=") +
               key(idGrupo))
        .valueAt(0, 0)
        .toInt();
}

void deleteGroup(store::Database& db, int idGrupo) {
    store::Database::Transaction tx(db);
    db.exec(QStringLiteral("delete from formula_grupo where id_grupo=") + key(idGrupo));
    db.exec(QStringLiteral("delete from grupo_producto where id_grupo=") + key(idGrupo));
    db.exec(QStringLiteral("delete from grupos where id_grupo=") + key(idGrupo));
    tx.commit();
}

MembersAdded addGroupMembers(store::Database& db, int idGrupo,
                             const std::vector<int>& idProductos) {
    MembersAdded out;
    store::Database::Transaction tx(db, store::Database::Transaction::WriteLock::Now);
    if (!groupExists(db, idGrupo)) {
        out.groupGone = true;
        return out;
    }
    QSet<int> seen;
    for (const int idProducto : idProductos) {
        if (seen.contains(idProducto))
            continue;
        seen.insert(idProducto);
        if (db.query(QStringLiteral("select id_producto from productos where id_producto=") +
                     key(idProducto))
                .count() == 0)
            out.ingredientsGone.push_back(idProducto);
        else if (db.query(QStringLiteral("select id_producto from grupo_producto where id_grupo=") +
                          key(idGrupo) + QStringLiteral(" and id_producto=") + key(idProducto))
                     .count() > 0)
            out.alreadyMembers.push_back(idProducto);
        else {
            db.exec(QStringLiteral("insert into grupo_producto (id_grupo,id_producto) values (") +
                    key(idGrupo) + u',' + key(idProducto) + u')');
            out.added.push_back(idProducto);
        }
    }
    tx.commit();
    return out;
}

QString membersAddedNotice(const MembersAdded& outcome) {
    if (outcome.groupGone)
        return kGrupoNoExiste;
    const size_t already = outcome.alreadyMembers.size();
    const size_t gone = outcome.ingredientsGone.size();
    if (already + gone == 0)
        return {};
    if (outcome.added.empty() && already == 1 && gone == 0)
        return kIngredienteYaEnGrupo;
    if (outcome.added.empty() && already == 0 && gone == 1)
        return kIngredienteNoExiste;
    QStringList lines;
    const size_t added = outcome.added.size();
    lines << (added == 0   ? QStringLiteral("No se agregó ningún Ingrediente al Grupo.")
              : added == 1 ? QStringLiteral("Se agregó 1 Ingrediente al Grupo.")
                           : QStringLiteral("Se agregaron %1 Ingredientes al Grupo.").arg(added));
    if (already == 1)
        lines << QStringLiteral("1 ya se encontraba en el Grupo.");
    else if (already > 1)
        lines << QStringLiteral("%1 ya se encontraban en el Grupo.").arg(already);
    if (gone == 1)
        lines << QStringLiteral("1 ya no se encuentra en el catálogo.");
    else if (gone > 1)
        lines << QStringLiteral("%1 ya no se encuentran en el catálogo.").arg(gone);
    return lines.join(u'\n');
}

void removeGroupMember(store::Database& db, int idGrupo, int idProducto) {
    db.exec(QStringLiteral("delete from grupo_producto where id_grupo=") + key(idGrupo) +
            QStringLiteral(" and id_producto=") + key(idProducto));
}

} // namespace catalog
