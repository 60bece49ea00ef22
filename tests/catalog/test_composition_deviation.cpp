#include "catalog/composition.h"
#include "catalog/composition_history.h"
#include "support/fault_sweep.h"
#include "support/temp_database.h"

#include <gtest/gtest.h>

using catalog::StoredComposition;

namespace {

QString snapshot(store::Database& db) {
    return queryRows(db, {"select * from producto_propiedad order by id_producto,id_propiedad",
                          "select * from producto_propiedad_desvio order by 1,2",
                          "select * from producto_propiedad_historial order by 1,2,3"});
}

} // namespace

TEST(CompositionDeviation, TypedTextIsBlankANonNegativeNumberOrRefused) {
    EXPECT_EQ(catalog::deviationToStore("  ").desvio, std::nullopt);
    EXPECT_TRUE(catalog::deviationToStore("  ").refusal.isEmpty());
    EXPECT_EQ(catalog::deviationToStore("0.35").desvio, 0.35);
    EXPECT_EQ(catalog::deviationToStore("0").desvio, 0.0);
    EXPECT_EQ(catalog::deviationToStore("-0.1").refusal, "El desvío no puede ser negativo.");
    EXPECT_TRUE(
        catalog::deviationToStore("alto").refusal.startsWith("El desvío debe ser un número"));
    EXPECT_TRUE(catalog::deviationUnchanged("", " "));
    EXPECT_TRUE(catalog::deviationUnchanged("0.5", "0.50000"));
    EXPECT_FALSE(catalog::deviationUnchanged("0", ""));
    EXPECT_FALSE(catalog::deviationUnchanged("", "0.00000"));
}

// The sample's maize (1) has a value for crude protein (1) and no deviation.
TEST(CompositionDeviation, SavedInsertedChangedAndRemovedWithHistoryOrNothing) {
    TempDatabase t(true);
    store::Database& db = t.db();
    const StoredComposition start = catalog::storedComposition(db, 1, 1);
    const QDateTime when(QDate(2026, 3, 2), QTime(10, 0));

    int statements = failAtEveryStatement(
        db, [&] { return snapshot(db); },
        [&] { return catalog::saveCompositionDeviation(db, 1, 1, 0.4, when); });
    EXPECT_GT(statements, 3);
    EXPECT_EQ(catalog::storedComposition(db, 1, 1), (StoredComposition{start.valor, 0.4}));
    auto history = catalog::lastCompositions(db, 1, 1);
    ASSERT_EQ(history.size(), 2u);
    EXPECT_EQ(history[0].origen, catalog::kOrigenEdicionComposicion);
    EXPECT_EQ(history[1].values, start);

    // The same deviation again writes nothing; another updates; none removes the row.
    EXPECT_TRUE(catalog::saveCompositionDeviation(db, 1, 1, 0.4, when.addSecs(1)));
    EXPECT_EQ(catalog::lastCompositions(db, 1, 1).size(), 2u);
    EXPECT_TRUE(catalog::saveCompositionDeviation(db, 1, 1, 0.6, when.addSecs(2)));
    EXPECT_EQ(catalog::storedComposition(db, 1, 1).desvio, 0.6);
    const QString before = snapshot(db);
    statements = failAtEveryStatement(
        db, [&] { return snapshot(db); },
        [&] { return catalog::saveCompositionDeviation(db, 1, 1, std::nullopt, when.addSecs(3)); });
    EXPECT_GT(statements, 2);
    EXPECT_NE(snapshot(db), before);
    EXPECT_EQ(catalog::storedComposition(db, 1, 1).desvio, std::nullopt);
    EXPECT_EQ(catalog::lastCompositions(db, 1, 1).size(), 4u);

    // A value edited keeps its history too; a pair that is gone is refused.
    EXPECT_TRUE(catalog::updateCompositionValue(db, 1, 1, 8.8, when.addSecs(4)));
    history = catalog::lastCompositions(db, 1, 1);
    EXPECT_EQ(history[0].values, (StoredComposition{8.8, std::nullopt}));
    db.exec("delete from producto_propiedad where id_producto=1 and id_propiedad=2");
    EXPECT_FALSE(catalog::saveCompositionDeviation(db, 1, 2, 0.1));
    EXPECT_EQ(catalog::storedComposition(db, 1, 2).desvio, std::nullopt);
}
