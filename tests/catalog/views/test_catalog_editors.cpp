#include "app/views/modal.h"
#include "catalog/catalog_texts.h"
#include "catalog/ingredients.h"
#include "catalog/nutrients.h"
#include "catalog/views/frmComoProducto.h"
#include "catalog/views/frmproducto.h"
#include "catalog/views/frmproducto_propiedades.h"
#include "catalog/views/frmpropiedad.h"
#include "catalog/views/frmpropiedades.h"
#include "catalog_view_helpers.h"
#include "store/revisions.h"
#include "support/qt_printers.h"
#include "support/scripted_messages.h"
#include "support/temp_database.h"
#include "workspace/workspace.h"

#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionComboBox>

using namespace catalog;

namespace {

void fill(QWidget& d, const QString& code, const QString& name, const QString& unit,
          const QString& cost, const QString& dry) {
    type(d, "Text1", code);
    type(d, "Text2", name);
    control<QComboBox>(d, "Combo1")->setCurrentText(unit);
    type(d, "Text3", cost);
    type(d, "Text4", dry);
}

} // namespace

TEST(IngredientEditorView, RefusesInOrderThenSavesOnceWithZeroRows) {
    TempDatabase t(true);
    store::Database& db = t.db();
    ScriptedMessages messages;
    frmproducto view(db, 0);
    EXPECT_FALSE(control(view, "CmdPropiedades")->isEnabled());

    const std::pair<std::array<const char*, 5>, QString> steps[] = {
        {{"", "", "", "", ""}, texts::kDebeCodigo},
        {{"A1", "", "", "", ""}, texts::kDebeDescripcion},
        {{"A1", "Ñandú", "", "", ""}, texts::kDebeUnidad},
        {{"A1", "Ñandú", "Kg", "x", ""}, texts::kDebeCosto},
        {{"A1", "Ñandú", "Kg", "1", ""}, texts::kDebeMateriaSeca},
        {{"A1", "Ñandú", "Kg", "1", "100.01"}, texts::kEntre0y100},
        {{"MAIZ", "Ñandú", "Kg", "1", "100"}, texts::kCodigoRepetido},
    };
    for (const auto& [f, message] : steps) {
        fill(view, f[0], f[1], f[2], f[3], f[4]);
        click(view, "cmdUpdate");
        EXPECT_EQ(messages.texts().last(), message);
    }
    EXPECT_EQ(messages.shown().back().style, msg::Critical);
    const int before = scalar(db, "select count(*) from productos");
    EXPECT_EQ(before, 21);

    fill(view, " A1 ", "Ñandú", "Kg", "1.25", "100");
    messages.clear();
    click(view, "cmdUpdate");
    EXPECT_TRUE(messages.texts().isEmpty());
    const int id = view.ingredientId();
    EXPECT_EQ(id, 22);
    EXPECT_TRUE(control<QLineEdit>(view, "Text1")->isReadOnly());
    EXPECT_TRUE(control(view, "CmdPropiedades")->isEnabled());
    EXPECT_EQ(
        scalar(db, "select count(*) from producto_propiedad where valor=0 and id_producto=22"), 12);
    click(view, "cmdUpdate"); // now an update: no more rows
    EXPECT_EQ(scalar(db, "select count(*) from producto_propiedad where id_producto=22"), 12);

    // The weighing step: refused unless above 0, stored with the ingredient, emptied away.
    messages.clear();
    type(view, "txtPaso", "0");
    click(view, "cmdUpdate");
    EXPECT_EQ(messages.texts(), QStringList{catalog::kPasoInvalido});
    EXPECT_EQ(scalar(db, "select count(*) from producto_pesada"), 0);
    messages.clear();
    type(view, "txtPaso", "2.5");
    click(view, "cmdUpdate");
    EXPECT_TRUE(messages.texts().isEmpty());
    EXPECT_EQ(
        db.query("select paso from producto_pesada where id_producto=22").valueAt(0, 0).toDouble(),
        2.5);
    EXPECT_EQ(control<QLineEdit>(view, "txtPaso")->text(), "2.5"); // shown again after the reload
    type(view, "txtPaso", "");
    click(view, "cmdUpdate");
    EXPECT_EQ(scalar(db, "select count(*) from producto_pesada"), 0);

    // Closing with changes asks; No puts the stored values back and closes.
    type(view, "Text2", "Otro nombre");
    messages.planAnswer(msg::No);
    click(view, "cmdClose");
    EXPECT_EQ(messages.texts().last(), texts::kDeseaGrabar);
    EXPECT_EQ(control<QLineEdit>(view, "Text2")->text(), "Ñandú");
    EXPECT_EQ(view.result(), QDialog::Rejected);
}

TEST(IngredientEditorView, CancelDiscardsANewIngredientAndAFailedCheckKeepsTheViewOpen) {
    TempDatabase t(true);
    ScriptedMessages messages;
    {
        frmproducto view(t.db(), 0);
        showActive(view);
        fill(view, "B1", "Nuevo", "Kg", "1", "");
        // Yes runs Grabar, which refuses: the view stays.
        messages.planAnswer(msg::Yes);
        click(view, "cmdClose");
        EXPECT_EQ(messages.texts(), (QStringList{texts::kDeseaGrabar, texts::kDebeMateriaSeca}));
        EXPECT_TRUE(view.isVisible());
        click(view, "cmdRefresh");
        EXPECT_FALSE(view.isVisible());
    }
    EXPECT_EQ(scalar(t.db(), "select count(*) from productos"), 21);

    messages.clear();
    frmproducto missing(t.db(), 999);
    EXPECT_EQ(messages.texts(), QStringList{texts::kNoSeEncuentraProducto});
}

TEST(CompositionEditorView, EditsInPlaceWithEnterEscAndClickAway) {
    TempDatabase t(true);
    store::Database& db = t.db();
    ScriptedMessages messages;
    const int maiz = scalar(db, "select id_producto from productos where trim(codigo)='MAIZ'");
    frmproducto_propiedades view(db, qint16(maiz));
    showActive(view);
    auto* grid = control<QTableWidget>(view, "FlexGrid1");
    auto* txtAux = control<QLineEdit>(view, "txt_aux");
    EXPECT_EQ(grid->rowCount(), 12);
    EXPECT_EQ(grid->horizontalHeaderItem(2)->text(), "Nutriente");
    EXPECT_EQ(grid->horizontalHeaderItem(3)->text(), "Valor");
    EXPECT_FALSE(txtAux->isVisible());
    const QStringList values = column(view, 3);
    EXPECT_TRUE(values[0].endsWith(QStringLiteral("00"))); // "#####0.00000"
    EXPECT_EQ(values[0].section('.', 1).size(), 5);

    auto valueOf = [&](const QString& name) {
        return db
            .query("select pp.valor from producto_propiedad pp,propiedades p where "
                   "pp.id_propiedad=p.id_propiedad and p.nombre='" +
                   name + "' and pp.id_producto=" + QString::number(maiz))
            .valueAt(0, 0)
            .toDouble();
    };

    // Enter stores; a value that is not a number keeps the edit going.
    ASSERT_TRUE(selectRow(view, 2, "Lisina"));
    click(view, "cmdEditar");
    ASSERT_TRUE(txtAux->isVisible());
    txtAux->setText("abc");
    QTest::keyClick(txtAux, Qt::Key_Return);
    EXPECT_EQ(messages.texts(), QStringList{texts::kValorNoNumerico});
    EXPECT_TRUE(txtAux->isVisible());
    txtAux->setText("0.31");
    QTest::keyClick(txtAux, Qt::Key_Return);
    EXPECT_FALSE(txtAux->isVisible());
    EXPECT_EQ(valueOf("Lisina"), 0.31);

    // Esc stores nothing.
    ASSERT_TRUE(selectRow(view, 2, "Lisina"));
    click(view, "cmdEditar");
    txtAux->setText("9");
    QTest::keyClick(txtAux, Qt::Key_Escape);
    EXPECT_EQ(valueOf("Lisina"), 0.31);

    // Clicking away asks; No keeps the stored value, Yes stores.
    messages.clear();
    ASSERT_TRUE(selectRow(view, 2, "Sodio"));
    const double sodio = valueOf("Sodio");
    click(view, "cmdEditar");
    txtAux->setText("1.5");
    messages.planAnswer(msg::No);
    control(view, "Text1")->setFocus(Qt::MouseFocusReason);
    QTest::qWait(30);
    EXPECT_EQ(messages.texts(),
              QStringList{"¿Desea Grabar el Valor 1.50 para el Nutriente Sodio?"});
    EXPECT_EQ(valueOf("Sodio"), sodio);
    ASSERT_TRUE(selectRow(view, 2, "Sodio"));
    click(view, "cmdEditar");
    txtAux->setText("");
    messages.planAnswer(msg::Yes);
    control(view, "Text1")->setFocus(Qt::MouseFocusReason);
    QTest::qWait(30);
    EXPECT_EQ(valueOf("Sodio"), 0.0); // blank stores 0

    // The same value typed again writes and asks nothing.
    messages.clear();
    ASSERT_TRUE(selectRow(view, 2, "Lisina"));
    click(view, "cmdEditar");
    control(view, "Text1")->setFocus(Qt::MouseFocusReason);
    QTest::qWait(30);
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST(CompositionEditorView, NuevoPicksANutrientAndEditsItAtOnceEliminarRemovesIt) {
    TempDatabase t(true);
    store::Database& db = t.db();
    ScriptedMessages messages;
    const int maiz = scalar(db, "select id_producto from productos where trim(codigo)='MAIZ'");
    db.exec("delete from producto_propiedad where id_producto=" + QString::number(maiz) +
            " and id_propiedad=(select id_propiedad from propiedades where nombre='Calcio')");
    frmproducto_propiedades view(db, qint16(maiz));
    showActive(view);
    EXPECT_EQ(control<QTableWidget>(view, "FlexGrid1")->rowCount(), 11);

    auto pick = [&](const QString& name) {
        return widgets::ScopedModalRunner([name](QDialog& d) {
            EXPECT_EQ(modeOf(d), "BUSCAR");
            EXPECT_TRUE(selectRow(d, 1, name));
            click(d, "Command4");
            return d.result();
        });
    };
    {
        auto runner = pick("Lisina");
        click(view, "cmdNuevo");
    }
    EXPECT_EQ(messages.texts(), QStringList{texts::kNutrienteYaAsignado});
    {
        auto runner = pick("Calcio");
        click(view, "cmdNuevo");
    }
    auto* txtAux = control<QLineEdit>(view, "txt_aux");
    EXPECT_EQ(control<QTableWidget>(view, "FlexGrid1")->rowCount(), 12);
    ASSERT_TRUE(txtAux->isVisible()); // the new row's value opens for editing
    txtAux->setText("0.02");
    QTest::keyClick(txtAux, Qt::Key_Return);
    EXPECT_EQ(scalar(db, "select count(*) from producto_propiedad where valor=0.02 and "
                         "id_producto=" +
                             QString::number(maiz)),
              1);

    messages.clear();
    ASSERT_TRUE(selectRow(view, 2, "Calcio"));
    messages.planAnswer(msg::Yes);
    click(view, "cmdDelete");
    EXPECT_EQ(messages.texts(), QStringList{texts::askDeleteComposition("Calcio")});
    EXPECT_EQ(control<QTableWidget>(view, "FlexGrid1")->rowCount(), 11);
}

TEST(NutrientEditorView, TheUnitIsChosenFromTheSearchUnitsAndShownWhole) {
    TempDatabase t(true);
    store::Database& db = t.db();
    ScriptedMessages messages;
    db.exec("update propiedades set unidad='kcal/kg' where id_propiedad=1"); // another program's
    db.exec("update propiedades set unidad='Mcal' where id_propiedad=2");
    auto fieldWidth = [](QComboBox* box) {
        QStyleOptionComboBox option;
        option.initFrom(box);
        return box->style()
            ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, box)
            .width();
    };
    for (int id : {0, 1, 2}) {
        SCOPED_TRACE(id);
        frmpropiedad d(db, id);
        showActive(d);
        auto* unit = control<QComboBox>(d, "Combo1");
        EXPECT_FALSE(unit->isEditable());
        QStringList items;
        for (int i = 0; i < unit->count(); ++i)
            items << unit->itemText(i);
        const QStringList units{"", "%", "mg", "Mcal", "PPM", "UI"};
        EXPECT_EQ(items.mid(0, 6), units);
        EXPECT_EQ(unit->currentText(), id == 0 ? "" : id == 1 ? "kcal/kg" : "Mcal");
        EXPECT_EQ(items.size(), id == 1 ? 7 : 6); // a stored unit outside the list is kept
        for (const QString& item : items)
            EXPECT_LE(unit->fontMetrics().horizontalAdvance(item), fieldWidth(unit))
                << item.toStdString();
        click(d, "cmdClose"); // showing the record changed nothing: Salir asks nothing
        EXPECT_FALSE(d.isVisible());
    }
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST(NutrientViews, ListSearchesEditsAndDeletesNewNutrientGetsZeroRows) {
    TempDatabase t(true);
    store::Database& db = t.db();
    ScriptedMessages messages;
    frmpropiedades list(db, kMaintain);
    EXPECT_EQ(list.windowTitle(), "Nutrientes");
    EXPECT_EQ(control<QTableWidget>(list, "FlexGrid1")->rowCount(), 12);
    EXPECT_TRUE(control(list, "Command4")->isHidden());
    type(list, "Text1", "METIONINA");
    click(list, "Command1");
    EXPECT_EQ(column(list, 1), (QStringList{"Metionina", "Metionina + Cistina"}));

    {
        widgets::ScopedModalRunner runner([&](QDialog& d) {
            EXPECT_EQ(d.objectName(), "frmpropiedad");
            click(d, "cmdUpdate");
            EXPECT_EQ(messages.texts(), QStringList{texts::kDebeDescripcion});
            type(d, "Text1", "Treonina");
            control<QComboBox>(d, "Combo1")->setCurrentText("%");
            click(d, "cmdUpdate");
            click(d, "cmdUpdate"); // saved again: the same key, no more rows
            click(d, "cmdClose");
            return d.result();
        });
        click(list, "cmdAdd");
    }
    const int id = scalar(db, "select id_propiedad from propiedades where nombre='Treonina'");
    EXPECT_EQ(id, 13);
    EXPECT_EQ(scalar(db, "select count(*) from producto_propiedad where valor=0 and "
                         "id_propiedad=13"),
              21);
    type(list, "Text1", "");
    click(list, "Command1");
    EXPECT_EQ(control<QTableWidget>(list, "FlexGrid1")->rowCount(), 13);

    messages.clear();
    ASSERT_TRUE(selectRow(list, 1, "Treonina"));
    messages.planAnswer(msg::Yes);
    messages.planAnswer(msg::Yes);
    click(list, "cmdDelete");
    EXPECT_EQ(messages.texts(), (QStringList{texts::askDeleteNutrient("Treonina", 0),
                                             texts::askDeleteNutrientWithIngredients("Treonina")}));
    EXPECT_EQ(scalar(db, "select count(*) from producto_propiedad where id_propiedad=13"), 0);
    EXPECT_EQ(control<QTableWidget>(list, "FlexGrid1")->rowCount(), 12);

    frmpropiedades pick(db, kPick);
    showActive(pick);
    QTest::keyClick(control(pick, "FlexGrid1"), Qt::Key_Escape);
    EXPECT_EQ(pickedId(pick), 0);
    EXPECT_FALSE(pick.isVisible());
}

TEST(FormulaAsIngredientView, SavesTheMixWithItsNutrientValuesAndCloses) {
    TempDatabase t(true);
    store::Database& db = t.db();
    ScriptedMessages messages;
    workspace::Workspace ws;
    ws.vCostoHumeda = 0.23456;
    ws.vMateriaSeca = 88.5;
    ws.nutrientsDry = true;
    ws.nutrients.push_back({1, "Proteína bruta", 20.0, std::nullopt, 21.5, std::nullopt});
    ws.nutrients.push_back({9, "Lisina", 1.0, std::nullopt, 1.1, std::nullopt});
    frmComoProducto view(db, ws);
    EXPECT_EQ(view.windowTitle(), "Ingredientes");
    EXPECT_EQ(control<QLineEdit>(view, "Text3")->text(), "0.2346");
    EXPECT_EQ(control<QLineEdit>(view, "Text4")->text(), "88.50");

    type(view, "Text1", "MAIZ");
    type(view, "Text2", "Iniciador");
    control<QComboBox>(view, "Combo1")->setCurrentText("Kg");
    click(view, "cmdUpdate");
    EXPECT_EQ(messages.texts(), QStringList{texts::kCodigoRepetido});
    type(view, "Text1", "INI-1");
    click(view, "cmdUpdate");
    EXPECT_EQ(view.result(), QDialog::Accepted);
    const int id = view.ingredientId();
    ASSERT_EQ(id, 22);
    store::RecordSet row = db.query("select * from productos where id_producto=22");
    EXPECT_EQ(row.toDouble("costo"), 0.23456); // the mix's own cost, not the rounded text
    EXPECT_EQ(row.toDouble("materia_seca"), 88.5);
    store::RecordSet rows =
        db.query("select id_propiedad,valor from producto_propiedad where id_producto=22 order "
                 "by id_propiedad");
    ASSERT_EQ(rows.count(), 2);
    EXPECT_EQ(rows.valueAt(0, 1).toDouble(), 21.5);
    EXPECT_EQ(rows.valueAt(1, 0).toInt(), 9);
}

TEST(IngredientEditorView, FailedSavesGoToTheErrorViewAndLeaveNothingHalfDone) {
    TempDatabase t(true);
    store::Database& db = t.db();
    ScriptedMessages messages;
    QStringList errorTexts;
    widgets::ScopedModalRunner runner([&](QDialog& d) {
        EXPECT_EQ(d.objectName(), "errores");
        errorTexts << control<QPlainTextEdit>(d, "Text1")->toPlainText();
        return 0;
    });

    // A statement failing midway through the zero rows: the error view, and no ingredient.
    frmproducto fresh(db, 0);
    fill(fresh, "FALLA", "Falla", "Kg", "1", "90");
    db.failStatementAfter(7);
    click(fresh, "cmdUpdate");
    db.failStatementAfter(0);
    EXPECT_EQ(errorTexts, QStringList{texts::kNoGrabar});
    EXPECT_EQ(scalar(db, "select count(*) from productos where trim(codigo)='FALLA'"), 0);
    EXPECT_EQ(scalar(db, "select count(*) from producto_propiedad where id_producto=22"), 0);
    EXPECT_EQ(fresh.ingredientId(), 0);
    EXPECT_FALSE(control<QLineEdit>(fresh, "Text1")->isReadOnly()); // still new: may retry
    click(fresh, "cmdUpdate");
    EXPECT_EQ(fresh.ingredientId(), 22);

    // The ingredient deleted by another window while it is edited.
    errorTexts.clear();
    frmproducto stale(db, 22);
    db.exec("delete from productos where id_producto=22");
    type(stale, "Text2", "Cambiado");
    click(stale, "cmdUpdate");
    EXPECT_EQ(errorTexts, QStringList{"Se ha encontrado el final del archivo o el registro ha "
                                      "sido eliminado por otro usuario."});
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST(IngredientEditorView, CostIsCheckedWhenLeftAndEnterMovesOn) {
    TempDatabase t(true);
    ScriptedMessages messages;
    frmproducto view(t.db(), 0);
    showActive(view);
    auto* text2 = control<QLineEdit>(view, "Text2");
    auto* text3 = control<QLineEdit>(view, "Text3");
    text2->setFocus();
    QTest::keyClick(text2, Qt::Key_Return);
    EXPECT_FALSE(text2->hasFocus()); // on to the unit
    text3->setFocus();
    QTest::keyClicks(text3, "1,5");
    control(view, "Text4")->setFocus(Qt::TabFocusReason);
    QTest::qWait(30);
    EXPECT_EQ(messages.texts(), QStringList{texts::kDebeCosto});
    EXPECT_TRUE(text3->hasFocus());
    text3->setText("1.5");
    control(view, "Text4")->setFocus(Qt::TabFocusReason);
    QTest::qWait(30);
    EXPECT_EQ(messages.texts().size(), 1);
}

// A save over someone else's later save is refused; the message names the editor's Refrescar
// button, which shows the other save, after which the editor saves again.
TEST(CatalogEditors, StaleSavesPointToRefrescar) {
    TempDatabase t(true);
    store::Database& db = t.db();
    ScriptedMessages messages;
    const auto savedByOther = [&db](const char* table, const QString& change, int id) {
        store::Database::Transaction tx(db, store::Database::Transaction::WriteLock::Now);
        db.exec(change);
        store::raiseRevision(db, QString::fromLatin1(table), id);
        tx.commit();
    };

    frmproducto ingredient(db, 1);
    savedByOther("productos", "update productos set nombre='Del otro' where id_producto=1", 1);
    type(ingredient, "Text2", "Mío");
    click(ingredient, "cmdUpdate");
    EXPECT_EQ(messages.texts(), QStringList({kIngredientChangedRefresh}));
    EXPECT_TRUE(kIngredientChangedRefresh.contains("Pulse Refrescar"));
    EXPECT_EQ(scalar(db, "select count(*) from productos where nombre='Del otro'"), 1);
    click(ingredient, "cmdrequery");
    EXPECT_EQ(control<QLineEdit>(ingredient, "Text2")->text(), "Del otro");
    type(ingredient, "Text2", "Mío");
    messages.clear();
    click(ingredient, "cmdUpdate");
    EXPECT_TRUE(messages.texts().isEmpty());
    EXPECT_EQ(scalar(db, "select count(*) from productos where nombre='Mío'"), 1);

    frmpropiedad nutrient(db, 2);
    savedByOther("propiedades", "update propiedades set nombre='Del otro' where id_propiedad=2", 2);
    type(nutrient, "Text1", "Mío");
    click(nutrient, "cmdUpdate");
    EXPECT_EQ(messages.texts(), QStringList({kNutrientChangedRefresh}));
    click(nutrient, "cmdrequery");
    EXPECT_EQ(control<QLineEdit>(nutrient, "Text1")->text(), "Del otro");
}
