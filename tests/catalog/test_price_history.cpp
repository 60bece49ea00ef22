#include "catalog/ingredients.h"
#include "catalog/price_history.h"
#include "store/revisions.h"
#include "support/temp_database.h"

#include <gtest/gtest.h>

using catalog::StoredPrice;

namespace {

// "costo|materia_seca|origen" of each history row, newest first.
QStringList history(store::Database& db, int id) {
    QStringList out;
    for (const catalog::PriceEntry& e : catalog::lastPrices(db, id))
        out << QStringLiteral("%1|%2|%3")
                   .arg(e.price.costo ? QString::number(*e.price.costo) : "Null",
                        e.price.materiaSeca ? QString::number(*e.price.materiaSeca) : "Null",
                        e.origen);
    return out;
}

int rows(store::Database& db, int id) {
    return db
        .query("select count(*) from precio_historial where id_producto=" + QString::number(id))
        .valueAt(0, 0)
        .toInt();
}

} // namespace

TEST(PriceHistory, TheEditorRecordsEachChangeOfCostOrDryMatterAndNothingElse) {
    TempDatabase t;
    store::Database& db = t.db();
    const int id = catalog::createIngredient(db, {"A1", "Maíz", "Kg", 0.2, 88}).id;
    EXPECT_EQ(history(db, id), QStringList({"0.2|88|edición"})); // the first price

    EXPECT_TRUE(catalog::updateIngredient(db, id, {"A1", "Maíz molido", "Kg", 0.2, 88}));
    EXPECT_TRUE(catalog::updateIngredient(db, id, {"A1", "Maíz molido", "mg", 0.2, 88}));
    EXPECT_EQ(rows(db, id), 1); // name and unit are not prices
    EXPECT_TRUE(catalog::updateIngredient(db, id, {"A1", "Maíz", "Kg", 0.25, 88}));
    EXPECT_TRUE(catalog::updateIngredient(db, id, {"A1", "Maíz", "Kg", 0.25, 87.5}));
    EXPECT_EQ(history(db, id),
              QStringList({"0.25|87.5|edición", "0.25|88|edición", "0.2|88|edición"}));

    // A stored Null cost saved as 0 is a change too.
    db.exec("update productos set costo=Null where id_producto=" + QString::number(id));
    EXPECT_TRUE(catalog::updateIngredient(db, id, {"A1", "Maíz", "Kg", 0, 87.5}));
    EXPECT_EQ(history(db, id).first(), "0|87.5|edición");

    // A save refused as stale leaves no row behind.
    const auto loaded = catalog::loadIngredient(db, id);
    EXPECT_TRUE(
        catalog::updateIngredient(db, id, {"A1", "Maíz", "Kg", 0.3, 87.5}, loaded->revision));
    EXPECT_THROW(
        catalog::updateIngredient(db, id, {"A1", "Maíz", "Kg", 0.4, 87.5}, loaded->revision),
        store::StaleRowError);
    EXPECT_EQ(history(db, id).first(), "0.3|87.5|edición");
    EXPECT_EQ(rows(db, id), 5);

    // A mix saved as an ingredient starts its history as such.
    const int mix = catalog::createIngredient(db, {"MIX", "Mezcla", "Kg", 0.31, 89}, {}).id;
    EXPECT_EQ(history(db, mix), QStringList({"0.31|89|fórmula"}));

    // Deleting the ingredient deletes its history, and nobody else's.
    catalog::deleteIngredient(db, id);
    EXPECT_EQ(rows(db, id), 0);
    EXPECT_EQ(rows(db, mix), 1);
}

// An ingredient that came before the history (as the sample catalogue's do) keeps the price its
// first change replaces; on a server every row names the user who changed it.
TEST(PriceHistory, TheFirstChangeKeepsThePriceBeforeItAndWhoMadeIt) {
    TempDatabase t;
    store::Database& db = t.db();
    const int id = catalog::createIngredient(db, {"A1", "Maíz", "Kg", 0.173, 88}).id;
    const int bare = catalog::createIngredient(db, {"A2", "Trigo", "Kg", 0, 88}).id;
    db.exec("delete from precio_historial");
    db.exec("update productos set costo=Null,materia_seca=Null where id_producto=" +
            QString::number(bare));

    EXPECT_TRUE(catalog::updateIngredient(db, id, {"A1", "Maíz", "Kg", 0.2, 88}));
    EXPECT_EQ(history(db, id), QStringList({"0.2|88|edición", "0.173|88|precio anterior"}));
    EXPECT_TRUE(catalog::updateIngredient(db, id, {"A1", "Maíz", "Kg", 0.21, 88}));
    EXPECT_EQ(rows(db, id), 3); // the price before is kept once
    EXPECT_TRUE(catalog::updateIngredient(db, bare, {"A2", "Trigo", "Kg", 0.15, 88}));
    EXPECT_EQ(history(db, bare), QStringList({"0.15|88|edición"})); // it had no price before

    // A server names who changed each price; a file has no users.
    const QString user =
        db.isServer() ? db.query("select current_user").valueAt(0, 0).toString() : QString();
    if (db.isServer()) {
        ASSERT_FALSE(user.isEmpty());
    }
    const auto entries = catalog::lastPrices(db, id);
    ASSERT_EQ(entries.size(), 3u);
    for (const catalog::PriceEntry& e : entries)
        EXPECT_EQ(e.usuario, user);
    const grid::GridContent g = catalog::priceHistoryGrid(entries);
    EXPECT_EQ(g.cell(0, 4).text, user);
}

TEST(PriceHistory, TheLastTenNewestFirstAsTheEditorShowsThem) {
    TempDatabase t;
    store::Database& db = t.db();
    const QDateTime start(QDate(2026, 3, 2), QTime(8, 0));
    store::Database::Transaction tx(db);
    for (int i = 0; i < 12; ++i)
        catalog::recordPrice(db, 7, {0.1 + i / 100.0, 88}, catalog::kOrigenListaPrecios,
                             start.addDays(i));
    catalog::recordPrice(db, 8, {std::nullopt, std::nullopt}, catalog::kOrigenImportacion, start);
    tx.commit();

    const auto last = catalog::lastPrices(db, 7);
    ASSERT_EQ(last.size(), 10u);
    EXPECT_EQ(last.front().fecha, start.addDays(11));
    EXPECT_EQ(last.back().fecha, start.addDays(2));

    const grid::GridContent g = catalog::priceHistoryGrid(last);
    QStringList header, first;
    for (int c = 0; c < g.columnCount(); ++c) {
        header << g.header[size_t(c)].text;
        first << g.cell(0, c).text;
    }
    EXPECT_EQ(header, QStringList({"Fecha", "Costo", "Materia Seca", "Origen", "Usuario"}));
    EXPECT_EQ(first.mid(0, 4),
              QStringList({"13/03/2026 08:00", "0.2100", "88.00", "lista de precios"}));
    const grid::GridContent nulls = catalog::priceHistoryGrid(catalog::lastPrices(db, 8));
    EXPECT_EQ(nulls.cell(0, 1).text, "");
    EXPECT_EQ(nulls.cell(0, 3).text, "importación");
    EXPECT_EQ(catalog::priceHistoryGrid({}).rowCount(), 0);
}

TEST(PriceHistory, ChangesInOneMillisecondStillKeepTheirOrder) {
    QDateTime previous = catalog::changeTime();
    for (int i = 0; i < 2000; ++i) {
        const QDateTime next = catalog::changeTime();
        ASSERT_GT(next, previous);
        previous = next;
    }
    EXPECT_LE(previous.toMSecsSinceEpoch() - QDateTime::currentMSecsSinceEpoch(), 2000);
}
