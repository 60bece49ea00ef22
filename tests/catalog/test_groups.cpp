#include "catalog/group_grids.h"
#include "catalog/groups.h"
#include "catalog/ingredients.h"
#include "catalog/nutrients.h"
#include "store/stored_values.h"
#include "support/fault_sweep.h"
#include "support/qt_printers.h"
#include "support/temp_database.h"
#include "support/test_server.h"

#include <gtest/gtest.h>

using catalog::GroupMember;
using catalog::IngredientGroup;
using catalog::MembersAdded;
using catalog::Refusal;

namespace {

int count(store::Database& db, const QString& sql) {
    return db.query(sql).valueAt(0, 0).toInt();
}

int ingredient(store::Database& db, const QString& code) {
    return count(db, "select id_producto from productos where trim(codigo)='" + code + "'");
}

int nutrient(store::Database& db, const QString& name) {
    return count(db, "select id_propiedad from propiedades where nombre='" + name + "'");
}

// Every row of the tables a group write or a catalogue delete touches.
QString snapshot(store::Database& db) {
    return queryRows(
        db, {"select * from grupos order by id_grupo",
             "select * from grupo_producto order by id_grupo,id_producto",
             "select * from formula_grupo order by id_formula,id_grupo",
             "select * from formula_relacion order by id_formula,id_propiedad,id_propiedad_divisor",
             "select * from productos order by id_producto",
             "select * from propiedades order by id_propiedad",
             "select count(*),sum(valor) from producto_propiedad"});
}

// The fault sweep of fault_sweep.h over this file's tables.
template <class Write> int failAtEveryStatement(store::Database& db, Write write) {
    return ::failAtEveryStatement(
        db, [&] { return snapshot(db); }, write);
}

QStringList names(const std::vector<IngredientGroup>& groups) {
    QStringList out;
    for (const IngredientGroup& g : groups)
        out << g.nombre;
    return out;
}

QStringList codes(const std::vector<GroupMember>& members) {
    QStringList out;
    for (const GroupMember& m : members)
        out << m.codigo;
    return out;
}

} // namespace

TEST(IngredientGroups, CreateRenameAndTheChecksOfTheName) {
    TempDatabase t(true);
    store::Database& db = t.db();
    EXPECT_EQ(names(catalog::listGroups(db)), (QStringList{"Granos", "Proteínas animales"}));

    const auto created = catalog::createGroup(db, "  Aditivos d'Or ");
    EXPECT_FALSE(created.refusal);
    EXPECT_EQ(created.id, 3); // the largest key plus 1
    EXPECT_EQ(names(catalog::listGroups(db)),
              (QStringList{"Aditivos d'Or", "Granos", "Proteínas animales"}));

    const Refusal taken{"El Nombre del Grupo Ya fue Ingresado", "txtNombre"};
    EXPECT_EQ(catalog::createGroup(db, " GRANOS").refusal, taken);
    EXPECT_EQ(catalog::createGroup(db, "   ").refusal,
              (Refusal{"Debe ingresar el Nombre del Grupo", "txtNombre"}));
    EXPECT_EQ(catalog::createGroup(db, QString(101, 'x')).refusal,
              (Refusal{"El Nombre del Grupo no puede tener más de 100 caracteres", "txtNombre"}));
    EXPECT_FALSE(catalog::createGroup(db, QString(100, 'x')).refusal);
    EXPECT_EQ(count(db, "select count(*) from grupos"), 4);

    // A group keeps its own name under another case; another's name is refused.
    EXPECT_FALSE(catalog::renameGroup(db, created.id, "ADITIVOS"));
    EXPECT_EQ(catalog::renameGroup(db, created.id, "granos"), taken);
    EXPECT_EQ(catalog::renameGroup(db, 99, "Otro"),
              (Refusal{"No se encuentra el Grupo: fue eliminado por otro usuario", "txtNombre"}));
    EXPECT_EQ(names(catalog::listGroups(db)).first(), "ADITIVOS");
}

TEST(IngredientGroups, MembersAreAddedOnceListedByNameAndRemoved) {
    TempDatabase t(true);
    store::Database& db = t.db();
    const int granos = catalog::listGroups(db).front().id;
    EXPECT_EQ(codes(catalog::groupMembers(db, granos)),
              (QStringList{"CEBADA", "MAIZ", "SORGO", "TRIGO"}));

    const int afrecho = ingredient(db, "AFRECHO");
    const int maiz = ingredient(db, "MAIZ");
    const int soja = ingredient(db, "SOJA44");
    // Several picked at once: a key repeated counts once, members and missing ones are told.
    MembersAdded added = catalog::addGroupMembers(db, granos, {afrecho, maiz, 999, afrecho});
    EXPECT_EQ(added.added, std::vector<int>{afrecho});
    EXPECT_EQ(added.alreadyMembers, std::vector<int>{maiz});
    EXPECT_EQ(added.ingredientsGone, std::vector<int>{999});
    EXPECT_FALSE(added.groupGone);
    EXPECT_EQ(catalog::membersAddedNotice(added),
              "Se agregó 1 Ingrediente al Grupo.\n1 ya se encontraba en el Grupo.\n1 ya no se "
              "encuentra en el catálogo.");
    EXPECT_EQ(catalog::membersAddedNotice(catalog::addGroupMembers(db, granos, {afrecho})),
              "El Ingrediente Ya se encuentra en el Grupo");
    EXPECT_EQ(catalog::membersAddedNotice(catalog::addGroupMembers(db, granos, {999})),
              "No se encuentra el Producto");
    added = catalog::addGroupMembers(db, 999, {soja});
    EXPECT_TRUE(added.groupGone);
    EXPECT_TRUE(added.added.empty());
    EXPECT_EQ(catalog::membersAddedNotice(added),
              "No se encuentra el Grupo: fue eliminado por otro usuario");
    const auto members = catalog::groupMembers(db, granos);
    ASSERT_EQ(members.size(), 5u);
    EXPECT_EQ(members.front(), (GroupMember{afrecho, "AFRECHO", "Afrechillo de trigo"}));

    catalog::removeGroupMember(db, granos, ingredient(db, "MAIZ"));
    EXPECT_EQ(codes(catalog::groupMembers(db, granos)),
              (QStringList{"AFRECHO", "CEBADA", "SORGO", "TRIGO"}));

    // What the view's grids show.
    const grid::GridContent grid = catalog::memberGrid(catalog::groupMembers(db, granos));
    EXPECT_EQ(grid.rowCount(), 4);
    EXPECT_EQ(grid.columns[0].widthTwips, 0);
    EXPECT_EQ(grid.header[1].text, "Código");
    EXPECT_EQ(grid.cell(0, catalog::kMemberNameColumn).text, "Afrechillo de trigo");
    EXPECT_EQ(catalog::groupGrid(catalog::listGroups(db)).cell(1, catalog::kGroupNameColumn).text,
              "Proteínas animales");
}

TEST(IngredientGroups, DeletesTakeTheirMembershipsAndLimitsWholeOrNothing) {
    TempDatabase t(true);
    store::Database& db = t.db();
    const auto groups = catalog::listGroups(db);
    const int granos = groups[0].id;
    const int animales = groups[1].id;
    EXPECT_EQ(catalog::formulasUsingGroup(db, granos), 1);
    EXPECT_EQ(catalog::askDeleteGroup("Granos", 4, 1),
              "¿Desea eliminar el Grupo «Granos»?\nSus 4 ingredientes dejan de pertenecer a él "
              "(siguen en el catálogo).\nSe quita también su límite en 1 fórmula.");
    EXPECT_EQ(catalog::askDeleteGroup("Vacío", 0, 0), "¿Desea eliminar el Grupo «Vacío»?");

    // formula limits, memberships, group
    EXPECT_EQ(failAtEveryStatement(db, [&] { catalog::deleteGroup(db, granos); }), 3);
    EXPECT_EQ(
        count(db, "select count(*) from grupo_producto where id_grupo=" + QString::number(granos)),
        0);
    EXPECT_EQ(
        count(db, "select count(*) from formula_grupo where id_grupo=" + QString::number(granos)),
        0);
    EXPECT_EQ(names(catalog::listGroups(db)), QStringList{"Proteínas animales"});

    // An ingredient leaves its groups with it; the other members stay.
    const int pescado = ingredient(db, "PESCADO");
    EXPECT_EQ(failAtEveryStatement(db, [&] { catalog::deleteIngredient(db, pescado); }), 19);
    EXPECT_EQ(codes(catalog::groupMembers(db, animales)), QStringList{"CARNE50"});
    EXPECT_EQ(count(db, "select count(*) from grupo_producto where id_producto=" +
                            QString::number(pescado)),
              0);

    // A nutrient takes the ratio limits that name it, as numerator or as divisor.
    const int fosforo = nutrient(db, "Fósforo disponible");
    db.exec("insert into formula_relacion (id_formula,id_propiedad,id_propiedad_divisor) values "
            "(2," +
            QString::number(fosforo) + "," + QString::number(nutrient(db, "Calcio")) + ")");
    EXPECT_EQ(count(db, "select count(*) from formula_relacion"), 2);
    EXPECT_EQ(failAtEveryStatement(db, [&] { catalog::deleteNutrient(db, fosforo); }), 14);
    EXPECT_EQ(count(db, "select count(*) from formula_relacion"), 0);

    // The writes of a group are whole too.
    int id = 0;
    EXPECT_GT(failAtEveryStatement(db, [&] { id = catalog::createGroup(db, "Harinas").id; }), 0);
    EXPECT_EQ(names(catalog::listGroups(db)), (QStringList{"Harinas", "Proteínas animales"}));
    const std::vector<int> harinas = {ingredient(db, "SOJA44"), ingredient(db, "CARNE50")};
    failAtEveryStatement(db, [&] { catalog::addGroupMembers(db, id, harinas); });
    failAtEveryStatement(db, [&] { catalog::renameGroup(db, id, "Harinas vegetales"); });
    EXPECT_EQ(codes(catalog::groupMembers(db, id)), (QStringList{"CARNE50", "SOJA44"}));
    EXPECT_EQ(names(catalog::listGroups(db)).first(), "Harinas vegetales");
}

TEST(IngredientGroups, StoredKeysTheProgramCannotUseAreRefusedNamingThem) {
    if (testsOnServer())
        GTEST_SKIP() << "a server's integer columns refuse such keys when they are written";
    TempDatabase t(true);
    store::Database& db = t.db();
    db.exec("insert into grupos (id_grupo,nombre) values (4294967297,'Enorme')");
    try {
        catalog::listGroups(db);
        FAIL() << "a key beyond 32 bits was read";
    } catch (const store::StoredValueError& e) {
        for (const char* word : {"grupos", "id_grupo=4294967297", "id_grupo", "32 bits"})
            EXPECT_TRUE(e.message().contains(word)) << word << " in " << e.what();
    }
    db.exec("delete from grupos where id_grupo=4294967297");
    db.exec("insert into grupo_producto (id_grupo,id_producto) values (1,4294967297)");
    db.exec("insert into productos (id_producto,codigo,nombre) values (4294967297,'X','Grande')");
    EXPECT_THROW(catalog::groupMembers(db, 1), store::StoredValueError);
}
