#include "app/last_error.h"
#include "app/message_styles.h"
#include "app/views/modal.h"
#include "catalog/catalog_texts.h"
#include "catalog/views/frmproducto.h"
#include "catalog/views/frmproductos.h"
#include "catalog/views/frmpropiedades.h"
#include "catalog_view_helpers.h"
#include "shell/views/menu.h"
#include "support/qt_printers.h"
#include "support/scripted_messages.h"
#include "support/temp_database.h"

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>

using namespace catalog;

TEST(IngredientListView, OpensOnTheWholeCatalogueInMaintenanceModeAndSearches) {
    TempDatabase t(true);
    ScriptedMessages messages;
    frmproductos view(t.db(), kMaintain);
    EXPECT_EQ(view.windowTitle(), "Ingredientes");
    for (const char* name :
         {"cmdAdd", "cmdEditar", "cmdDelete", "CmdPropiedades", "cmdPrint", "cmdClose"})
        EXPECT_FALSE(control(view, name)->isHidden()) << name;
    EXPECT_TRUE(control(view, "Command3")->isHidden());
    EXPECT_TRUE(control(view, "Command4")->isHidden());

    auto* grid = control<QTableWidget>(view, "FlexGrid1");
    EXPECT_EQ(grid->rowCount(), 21);
    EXPECT_TRUE(grid->isColumnHidden(0));
    EXPECT_TRUE(grid->isColumnHidden(5));
    EXPECT_EQ(grid->horizontalHeaderItem(1)->text(), "Código");
    EXPECT_EQ(grid->horizontalHeaderItem(4)->text(), "Costo");
    EXPECT_EQ(grid->columnWidth(3), grid::twipsToPixels(1100, grid->logicalDpiX()));
    EXPECT_EQ(view.rows().count(), 21);
    QStringList names = column(view, 2);
    QStringList sorted = names;
    sorted.sort(Qt::CaseInsensitive);
    EXPECT_EQ(names.first(), sorted.first());
    EXPECT_TRUE(selectRow(view, 1, "MAIZ")); // codes are shown without their padding
    EXPECT_EQ(grid->item(grid->currentRow(), 4)->text(), "0.1730");

    // Case and accents do not matter; Enter in a filter runs the search.
    showActive(view);
    auto* text3 = control<QLineEdit>(view, "Text3");
    text3->setFocus();
    QTest::keyClicks(text3, "MAIZ AMARILLO");
    QTest::keyClick(text3, Qt::Key_Return);
    EXPECT_EQ(column(view, 2), QStringList{"Maíz amarillo grano"});
    EXPECT_TRUE(view.isVisible());

    // A filter that is not a number stops the search where it is.
    type(view, "Text4", "abc");
    click(view, "Command1");
    EXPECT_EQ(messages.texts(), QStringList{texts::kCostoNoNumerico});
    EXPECT_TRUE(control(view, "Text4")->hasFocus());
    EXPECT_EQ(grid->rowCount(), 1);
    type(view, "Text4", "");
    type(view, "Text8", "x");
    click(view, "Command1");
    EXPECT_EQ(messages.texts().last(), texts::kRangoNoNumerico);

    type(view, "Text8", "");
    type(view, "Text3", "no existe");
    click(view, "Command1");
    EXPECT_EQ(grid->rowCount(), 0);
    EXPECT_TRUE(control<QLabel>(view, "txtnohubo")->isVisible());

    click(view, "Command2");
    EXPECT_TRUE(control<QLineEdit>(view, "Text3")->text().isEmpty());
    EXPECT_EQ(control<QComboBox>(view, "Combo1")->currentIndex(), -1);
    EXPECT_FALSE(control<QLabel>(view, "txtnohubo")->isVisible());
    EXPECT_EQ(grid->rowCount(), 0);
    click(view, "Command1");
    EXPECT_EQ(grid->rowCount(), 21);
}

TEST(IngredientListView, PickModeReturnsTheRowOrNothing) {
    TempDatabase t(true);
    ScriptedMessages messages;
    {
        frmproductos view(t.db(), kPick);
        EXPECT_FALSE(control(view, "Command4")->isHidden());
        EXPECT_TRUE(control(view, "cmdAdd")->isHidden());
        ASSERT_TRUE(selectRow(view, 1, "SOJA44"));
        click(view, "Command4");
        EXPECT_EQ(view.result(), QDialog::Accepted);
        ASSERT_TRUE(view.pick());
        EXPECT_EQ(view.pick()->name, "Harina de soja 44%");
        EXPECT_EQ(view.pick()->cost, 0.34);
        EXPECT_EQ(view.pick()->id,
                  scalar(t.db(), "select id_producto from productos where trim(codigo)='SOJA44'"));
    }
    {
        // Esc anywhere cancels, and Enter on the grid picks.
        frmproductos view(t.db(), kPick);
        showActive(view);
        QTest::keyClick(control(view, "Text1"), Qt::Key_Escape);
        EXPECT_EQ(pickedId(view), 0);
        EXPECT_FALSE(view.isVisible());
    }
    {
        frmproductos view(t.db(), kPick);
        showActive(view);
        auto* grid = control<QTableWidget>(view, "FlexGrid1");
        grid->setFocus();
        grid->setCurrentCell(0, 2);
        QTest::keyClick(grid, Qt::Key_Return);
        ASSERT_TRUE(view.pick());
        EXPECT_EQ(view.pick()->name, grid->item(0, 2)->text());
        EXPECT_EQ(view.result(), QDialog::Accepted);
    }
    EXPECT_TRUE(messages.texts().isEmpty());
}

// Each list keeps the mode it was opened in, whatever another list open at the same time was
// opened for: Enter in the maintained list edits, Enter in the picking list picks.
TEST(IngredientListView, ListsOpenTogetherKeepTheirOwnModes) {
    TempDatabase t(true);
    ScriptedMessages messages;
    frmproductos maintained(t.db(), kMaintain);
    frmpropiedades picking(t.db(), kPick);
    frmproductos alsoPicking(t.db(), kPick);
    QStringList opened;
    widgets::ScopedModalRunner runner([&](QDialog& d) {
        opened << d.objectName();
        return int(QDialog::Rejected);
    });
    for (QDialog* view : std::initializer_list<QDialog*>{&maintained, &picking, &alsoPicking}) {
        showActive(*view);
        auto* grid = control<QTableWidget>(*view, "FlexGrid1");
        grid->setFocus();
        grid->setCurrentCell(0, 1);
        QTest::keyClick(grid, Qt::Key_Return);
    }
    EXPECT_EQ(opened, QStringList({"frmproducto"}));
    EXPECT_NE(maintained.result(), QDialog::Accepted);
    EXPECT_GT(pickedId(picking), 0);
    EXPECT_GT(pickedId(alsoPicking), 0);
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST(IngredientListView, NutrientFilterIsPickedInTheNutrientList) {
    TempDatabase t(true);
    ScriptedMessages messages;
    frmproductos view(t.db(), kMaintain);
    QString modeSeen;
    {
        widgets::ScopedModalRunner runner([&](QDialog& d) {
            modeSeen = modeOf(d);
            EXPECT_EQ(d.objectName(), "frmpropiedades");
            EXPECT_TRUE(selectRow(d, 1, "Lisina"));
            click(d, "Command4");
            return d.result();
        });
        click(view, "Command9");
    }
    EXPECT_EQ(modeSeen, "BUSCAR");
    EXPECT_EQ(modeText(view.mode()), "ABM");
    EXPECT_EQ(control<QLineEdit>(view, "Text6")->text(), "Lisina");
    type(view, "Text7", "0.5");
    click(view, "Command1");
    const int rich = control<QTableWidget>(view, "FlexGrid1")->rowCount();
    EXPECT_GT(rich, 0);
    EXPECT_LT(rich, 21);

    // Cancelling the pick clears the filter.
    {
        widgets::ScopedModalRunner runner([&](QDialog& d) {
            click(d, "Command3");
            return d.result();
        });
        click(view, "Command9");
    }
    EXPECT_TRUE(control<QLineEdit>(view, "Text6")->text().isEmpty());
    click(view, "Command1");
    EXPECT_EQ(control<QTableWidget>(view, "FlexGrid1")->rowCount(), 21);
}

TEST(IngredientListView, DeleteAsksOnceOrTwiceAndRemovesTheRowsFirst) {
    TempDatabase t(true);
    store::Database& db = t.db();
    ScriptedMessages messages;
    db.exec("insert into productos (id_producto,codigo,nombre,unidad,costo,materia_seca) values "
            "(900,'SOLO','Aaa solo','Kg',1,90)");
    frmproductos view(db, kMaintain);

    // Without composition rows: one question.
    ASSERT_TRUE(selectRow(view, 2, "Aaa solo"));
    messages.planAnswer(msg::Yes);
    click(view, "cmdDelete");
    EXPECT_EQ(messages.texts(), QStringList{"¿Desea eliminar el Ingrediente Aaa solo?"});
    EXPECT_EQ(scalar(db, "select count(*) from productos where id_producto=900"), 0);

    // With rows and formulas: the first question counts the formulas; No to the second keeps it.
    messages.clear();
    ASSERT_TRUE(selectRow(view, 1, "MAIZ"));
    const int maiz = scalar(db, "select id_producto from productos where trim(codigo)='MAIZ'");
    const int formulas = scalar(db, "select count(*) from formula_producto where id_producto=" +
                                        QString::number(maiz));
    messages.planAnswer(msg::Yes);
    messages.planAnswer(msg::No);
    click(view, "cmdDelete");
    ASSERT_EQ(messages.texts().size(), 2);
    EXPECT_EQ(messages.texts()[0], texts::askDeleteIngredient("Maíz amarillo grano", formulas));
    EXPECT_TRUE(messages.texts()[0].contains(QString::number(formulas) + " fórmulas"));
    EXPECT_EQ(messages.texts()[1], texts::askDeleteIngredientWithNutrients("Maíz amarillo grano"));
    // Both questions default to No: a hurried Enter deletes nothing.
    EXPECT_EQ(messages.shown()[0].style, msg::QuestionDefaultNo);
    EXPECT_EQ(messages.shown()[1].style, msg::QuestionDefaultNo);
    EXPECT_EQ(
        scalar(db, "select count(*) from productos where id_producto=" + QString::number(maiz)), 1);

    messages.clear();
    ASSERT_TRUE(selectRow(view, 1, "MAIZ"));
    const int row = control<QTableWidget>(view, "FlexGrid1")->currentRow();
    messages.planAnswer(msg::Yes);
    messages.planAnswer(msg::Yes);
    click(view, "cmdDelete");
    EXPECT_EQ(scalar(db, "select count(*) from producto_propiedad where id_producto=" +
                             QString::number(maiz)),
              0);
    EXPECT_EQ(control<QTableWidget>(view, "FlexGrid1")->rowCount(), 20);
    EXPECT_EQ(control<QTableWidget>(view, "FlexGrid1")->currentRow(), row); // reselected
}

TEST(IngredientListView, EditAndNewOpenTheEditorAndTheMenuOpensTheList) {
    TempDatabase t(true);
    ScriptedMessages messages;
    frmproductos view(t.db(), kMaintain);
    ASSERT_TRUE(selectRow(view, 1, "SOJA44"));
    int opened = 0;
    {
        widgets::ScopedModalRunner runner([&](QDialog& d) {
            ++opened;
            EXPECT_EQ(d.objectName(), "frmproducto");
            EXPECT_EQ(control<QLineEdit>(d, "Text1")->text(), "SOJA44");
            EXPECT_TRUE(control<QLineEdit>(d, "Text1")->isReadOnly());
            type(d, "Text2", "Harina de soja 46%");
            click(d, "cmdUpdate");
            click(d, "cmdClose");
            return d.result();
        });
        click(view, "cmdEditar");
    }
    EXPECT_EQ(opened, 1);
    EXPECT_TRUE(column(view, 2).contains("Harina de soja 46%"));

    {
        widgets::ScopedModalRunner runner([&](QDialog& d) {
            EXPECT_EQ(static_cast<frmproducto&>(d).ingredientId(), 0);
            EXPECT_FALSE(control<QLineEdit>(d, "Text1")->isReadOnly());
            type(d, "Text1", "NUEVO");
            type(d, "Text2", "Aaa nuevo");
            control<QComboBox>(d, "Combo1")->setCurrentText("Kg");
            type(d, "Text3", "1.5");
            type(d, "Text4", "90");
            click(d, "cmdUpdate");
            click(d, "cmdClose");
            return d.result();
        });
        click(view, "cmdAdd");
    }
    EXPECT_EQ(column(view, 2).first(), "Aaa nuevo");
    EXPECT_TRUE(messages.texts().isEmpty());

    // Nutrientes opens the values of the current ingredient, captioned with its name; a
    // cancelled pick there adds nothing.
    ASSERT_TRUE(selectRow(view, 1, "MAIZ"));
    int values = -1;
    {
        // One runner stands in for both views (the helper holds one runner at a time).
        widgets::ScopedModalRunner runner([&](QDialog& d) {
            if (d.objectName() == "frmpropiedades") {
                click(d, "Command3");
                return d.result();
            }
            EXPECT_EQ(d.objectName(), "frmproducto_propiedades");
            EXPECT_EQ(d.windowTitle(), "Maíz amarillo grano");
            values = control<QTableWidget>(d, "FlexGrid1")->rowCount();
            click(d, "cmdNuevo");
            EXPECT_EQ(control<QTableWidget>(d, "FlexGrid1")->rowCount(), values);
            return 0;
        });
        click(view, "CmdPropiedades");
    }
    EXPECT_EQ(values, 12);
    EXPECT_EQ(modeText(view.mode()), "ABM");

    // The menu's item opens the list in maintenance mode.
    app::menu window(store::Database::openFile(t.path()));
    QString mode;
    widgets::ScopedModalRunner runner([&](QDialog& d) {
        mode = modeOf(d);
        EXPECT_EQ(d.objectName(), "frmproductos");
        return 0;
    });
    window.findChild<QAction*>("productos")->trigger();
    EXPECT_EQ(mode, "ABM");
}

// A key past 32 bits would be cut to another ingredient's: the list says which row it is and
// offers nothing to pick or to print.
TEST(IngredientListView, AKeyPast32BitsIsRefusedNotPickedCut) {
    TempDatabase t(true);
    ScriptedMessages messages;
    t.db().exec("insert into productos (id_producto,codigo,nombre,unidad,costo,materia_seca) "
                "values (3000000000,'GRANDE','Aaa primero','Kg',1,90)");
    QStringList opened;
    widgets::ScopedModalRunner runner([&](QDialog& d) {
        opened << d.objectName();
        return int(QDialog::Accepted);
    });
    frmproductos view(t.db(), kPick);
    EXPECT_EQ(opened, QStringList({"errores"}));
    EXPECT_TRUE(app::lastError().description.contains(
        "columna id_producto de la tabla productos (id_producto=3000000000)"))
        << app::lastError().description.toStdString();
    EXPECT_FALSE(selectRow(view, 2, "Aaa primero"));
    click(view, "Command4");
    EXPECT_EQ(pickedId(view), 0);
}
