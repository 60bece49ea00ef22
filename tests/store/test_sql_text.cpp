#include "store/sql_dialect.h"
#include "store/sql_text.h"

#include <gtest/gtest.h>
#include <limits>

TEST(SqlText, QuotesNumbersDatesAndCodes) {
    EXPECT_EQ(sql::text("  O'Higgins  "), "'O''Higgins'");
    EXPECT_EQ(sql::text("Maíz ''x''"), "'Maíz ''''x'''''");
    EXPECT_EQ(sql::number(0.1), "0.1");
    EXPECT_EQ(sql::number(-1234567.25), "-1234567.25");
    EXPECT_EQ(sql::number(1e-7), "1e-07");
    EXPECT_EQ(sql::number(0.0), "0");
    for (double v : {0.1 + 0.2, 1.0 / 3.0, 123456789.123456789, 5e-324, 1.7e308})
        EXPECT_EQ(sql::number(v).toDouble(), v) << sql::number(v).toStdString();
    EXPECT_EQ(sql::date(QDate(2009, 2, 1)), "#02/01/2009#");
    EXPECT_EQ(sql::paddedCode(" A1 "), QString(18, ' ') + "A1");
    EXPECT_EQ(sql::codeText("O'1"), "'" + QString(17, ' ') + "O''1'");
}

TEST(SqlDialect, RewritesDateLiteralsOutsideQuotedTextOnly) {
    EXPECT_EQ(store::translateSql("select * from formulas f where f.fecha_creacion<=#02/01/2009# "
                                  "or (f.fecha_creacion IS NULL)"),
              "select * from formulas f where f.fecha_creacion<='2009-02-01' "
              "or (f.fecha_creacion IS NULL)");
    EXPECT_EQ(store::translateSql("update productos set nombre='#02/01/2009#' where true"),
              "update productos set nombre='#02/01/2009#' where true");
    EXPECT_EQ(store::translateSql("select 'it''s #1/2/2009#', #1/2/2009#"),
              "select 'it''s #1/2/2009#', '2009-01-02'");
    // Not a date: left for the engine to refuse.
    EXPECT_EQ(store::translateSql("select #02/30/2009#"), "select #02/30/2009#");
}
