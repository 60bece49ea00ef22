#include "catalog/composition_history.h"
#include "catalog/price_history.h"
#include "support/temp_database.h"

#include <gtest/gtest.h>

using catalog::StoredComposition;

namespace {

// "valor|desvio|origen" of each history row, newest first.
QStringList history(store::Database& db, int producto, int propiedad) {
    QStringList out;
    const auto text = [](const std::optional<double>& v) {
        return v ? QString::number(*v) : QStringLiteral("Null");
    };
    for (const catalog::CompositionEntry& e : catalog::lastCompositions(db, producto, propiedad))
        out << text(e.values.valor) + u'|' + text(e.values.desvio) + u'|' + e.origen;
    return out;
}

} // namespace

// The sample's ingredient 1 has a value for nutrient 1; the pair (1, 1) starts with no history.
TEST(CompositionHistory, KeepsTheValueReplacedThenEachChangeAndNothingUnchanged) {
    TempDatabase t(true);
    store::Database& db = t.db();
    const StoredComposition before = catalog::storedComposition(db, 1, 1);
    ASSERT_TRUE(before.valor);
    EXPECT_FALSE(before.desvio);

    const StoredComposition measured{8.4, 0.35};
    const QDateTime first = catalog::changeTime();
    {
        store::Database::Transaction tx(db);
        EXPECT_FALSE(catalog::recordCompositionChange(db, 1, 1, before, before,
                                                      catalog::kOrigenAnalisis, first));
        EXPECT_TRUE(catalog::recordCompositionChange(db, 1, 1, before, measured,
                                                     catalog::kOrigenAnalisis, first));
        tx.commit();
    }
    EXPECT_EQ(history(db, 1, 1), QStringList({"8.4|0.35|análisis", QString::number(*before.valor) +
                                                                       "|Null|valor anterior"}));

    // A later change writes only its own row: the value before it is already there.
    {
        store::Database::Transaction tx(db);
        EXPECT_TRUE(catalog::recordCompositionChange(db, 1, 1, measured, {8.1, std::nullopt},
                                                     catalog::kOrigenListaComposicion,
                                                     catalog::changeTime()));
        tx.commit();
    }
    EXPECT_EQ(history(db, 1, 1).size(), 3);
    EXPECT_EQ(history(db, 1, 1).first(), "8.1|Null|lista de composición");
    EXPECT_TRUE(history(db, 1, 2).isEmpty()); // other pairs untouched

    // A pair with a stored deviation reads it back.
    db.exec("insert into producto_propiedad_desvio (id_producto,id_propiedad,desvio) "
            "values (1,1,0.5)");
    EXPECT_EQ(catalog::storedComposition(db, 1, 1).desvio, 0.5);
}
