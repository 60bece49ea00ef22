#include "catalog/ingredient_search.h"
#include "catalog/nutrient_search.h"
#include "support/qt_printers.h"
#include "support/temp_database.h"

#include <gtest/gtest.h>

namespace {

// The grid shows one column per field: a statement and columns that disagree would show the
// costs under "Unidad" or cut the last field off.
void expectColumnsFitStatements(store::Database& db, const lists::ListDescription& list,
                                const QString& search) {
    ASSERT_NE(list.columns, nullptr);
    const std::vector<grid::Column> columns = list.columns();
    const store::RecordSet opening = db.query(list.openingStatement);
    EXPECT_GT(opening.count(), 0) << list.objectName.toStdString();
    EXPECT_EQ(size_t(opening.fieldCount()), columns.size()) << list.objectName.toStdString();
    EXPECT_EQ(size_t(db.query(search).fieldCount()), columns.size())
        << list.objectName.toStdString();
    ASSERT_GE(list.fillColumn, 0);
    ASSERT_LT(size_t(list.fillColumn), columns.size());
    EXPECT_FALSE(columns[size_t(list.fillColumn)].caption.isEmpty())
        << "the column taking the rest is a captioned one, not a hidden key";
}

} // namespace

TEST(ListDescriptions, CatalogueListsOpenOnStatementsTheirColumnsShow) {
    TempDatabase t(true);
    const lists::ListDescription ingredients = catalog::ingredientList();
    EXPECT_EQ(ingredients.objectName, "frmproductos");
    EXPECT_EQ(ingredients.caption, "Ingredientes");
    EXPECT_EQ(ingredients.searchTitle, "");
    ASSERT_EQ(ingredients.extraButtons.size(), 1u);
    EXPECT_EQ(ingredients.extraButtons[0].objectName, "CmdPropiedades");
    EXPECT_EQ(ingredients.extraButtons[0].caption, "Nu&trientes");
    EXPECT_TRUE(ingredients.buttonsTakeFocus);
    expectColumnsFitStatements(t.db(), ingredients,
                               catalog::ingredientSearchSql(catalog::IngredientFilter{}));

    const lists::ListDescription nutrients = catalog::nutrientList();
    EXPECT_EQ(nutrients.objectName, "frmpropiedades");
    EXPECT_EQ(nutrients.caption, "Nutrientes");
    EXPECT_TRUE(nutrients.extraButtons.empty());
    EXPECT_EQ(nutrients.acceptCaption, "&Aceptar");
    EXPECT_EQ(nutrients.cancelCaption, "&Cancelar");
    expectColumnsFitStatements(t.db(), nutrients, catalog::nutrientSearchSql(QString()));
}
