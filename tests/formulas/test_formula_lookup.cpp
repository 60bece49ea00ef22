#include "formula_rows.h"
#include "formulas/formula_lookup.h"
#include "store/stored_values.h"
#include "support/temp_database.h"
#include "support/test_server.h"

#include <gtest/gtest.h>

using formulas::findFormula;
using formulas::FormulaRef;

TEST(FormulaLookup, ByCodeTakesTheHighestVersionOrTheOneAskedForAndByKeyChecksTheRow) {
    TempDatabase t(false);
    addFormula(t.db(), 4, "POLLO", "Pollo", 1);
    addFormula(t.db(), 7, "POLLO", "Pollo", 3);
    addFormula(t.db(), 5, "POLLO", "Pollo", 2);
    addFormula(t.db(), 9, "O'HARA", "Con apóstrofo", 0);

    EXPECT_EQ(findFormula(t.db(), {"POLLO", std::nullopt, 0}), 7);
    EXPECT_EQ(findFormula(t.db(), {"POLLO", 2, 0}), 5);
    EXPECT_EQ(findFormula(t.db(), {"POLLO", 8, 0}), 0);
    EXPECT_EQ(findFormula(t.db(), {"CERDO", std::nullopt, 0}), 0);
    EXPECT_EQ(findFormula(t.db(), {"O'HARA", std::nullopt, 0}), 9);
    // A code is the whole code, not a pattern.
    EXPECT_EQ(findFormula(t.db(), {"POLL%", std::nullopt, 0}), 0);

    // A key is looked up like a code: one that is not stored names no formula.
    EXPECT_EQ(findFormula(t.db(), {{}, std::nullopt, 5}), 5);
    EXPECT_EQ(findFormula(t.db(), {{}, std::nullopt, 6}), 0);
}

TEST(FormulaLookup, AKeyStoredPast32BitsIsRefusedWithItsRowNamed) {
    if (testsOnServer())
        GTEST_SKIP() << "a server's integer columns refuse such keys when they are written";
    TempDatabase t(false);
    t.db().exec("insert into formulas (id_formula,codigo,producto,version) values "
                "(4294967297,'G','x',0)");
    try {
        findFormula(t.db(), {"G", std::nullopt, 0});
        FAIL() << "a key past 32 bits was read as " << findFormula(t.db(), {"G", std::nullopt, 0});
    } catch (const store::StoredValueError& e) {
        EXPECT_TRUE(e.message().contains("4294967297")) << e.message().toStdString();
        EXPECT_TRUE(e.message().contains("columna id_formula de la tabla formulas (codigo='G')"))
            << e.message().toStdString();
    }
    // Cut to 32 bits the key would be 1: no formula of that key may be found through it.
    EXPECT_EQ(findFormula(t.db(), {{}, std::nullopt, 1}), 0);
}
