#include "app/globals.h"

#include <gtest/gtest.h>
#include <limits>

TEST(Globals, IdsHoldEveryThirtyTwoBitKey) {
    app::Globals& g = app::globals();
    // Keys past 32,767 come from imports and long-used databases.
    for (const int id : {32768, 70000, std::numeric_limits<qint32>::max()}) {
        g.gIdFormula = id;
        g.gIdProducto = id;
        g.gIdPropiedad = id;
        EXPECT_EQ(g.gIdFormula, id);
        EXPECT_EQ(g.gIdProducto, id);
        EXPECT_EQ(g.gIdPropiedad, id);
    }
    g.gIdFormula = g.gIdProducto = g.gIdPropiedad = 0;
}
