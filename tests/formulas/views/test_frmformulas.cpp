#include "app/last_error.h"
#include "app/message_styles.h"
#include "app/views/modal.h"
#include "formulas/formula_search.h"
#include "formulas/views/frmformulas.h"
#include "shell/views/menu.h"
#include "store/database.h"
#include "support/list_picks.h"
#include "support/scripted_messages.h"
#include "support/temp_database.h"

#include "workspace/views/frmoptimizacion.h"
#include <QRegularExpression>

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

using formulas::frmformulas;

namespace {

template <typename T> T* child(const QWidget& w, const char* name) {
    T* c = w.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
}

QStringList listedCodes(const frmformulas& w) {
    auto* grid = child<QTableWidget>(w, "FlexGrid1");
    QStringList codes;
    for (int r = 0; r < grid->rowCount(); ++r)
        codes << grid->item(r, 1)->text();
    codes.sort();
    return codes;
}

void click(const QWidget& w, const char* name) {
    QPushButton* b = child<QPushButton>(w, name);
    ASSERT_TRUE(b);
    b->click();
}

int idOf(store::Database& db, const QString& code) {
    store::RecordSet rs = db.query("select id_formula from formulas where codigo='" + code + "'");
    return rs.count() ? rs.toInt("id_formula") : 0;
}

struct ListFixture : ::testing::Test {
    TempDatabase t{true};
    ScriptedMessages messages;
};

} // namespace

TEST_F(ListFixture, OpensWithEveryFormulaInTheMaintenanceLayout) {
    frmformulas w(t.db(), kMaintain);
    EXPECT_EQ(w.windowTitle(), "Fórmulas");
    EXPECT_EQ(listedCodes(w), QStringList({"CERDO-CREC", "POLLO-INI", "PONEDORA", "VACA-CONC"}));
    auto* grid = child<QTableWidget>(w, "FlexGrid1");
    QStringList captions;
    for (int c = 0; c < grid->columnCount(); ++c)
        captions << grid->horizontalHeaderItem(c)->text();
    EXPECT_EQ(captions, QStringList({"", "Código", "Producto", "", "Versión", "", "Modificada",
                                     "Límites", "Costo unitario"}));
    // The cost per unit of each stored mix, as a price: four decimals.
    for (int r = 0; r < grid->rowCount(); ++r)
        EXPECT_TRUE(
            QRegularExpression(R"(^\$ \d+\.\d{4}$)").match(grid->item(r, 8)->text()).hasMatch())
            << grid->item(r, 8)->text().toStdString();
    for (int hidden : {0, 3, 5})
        EXPECT_TRUE(grid->isColumnHidden(hidden)) << hidden;
    EXPECT_EQ(grid->item(0, 6)->text(), QDate::currentDate().toString("dd/MM/yyyy"));
    EXPECT_EQ(grid->currentRow(), 0);
    for (const char* name : {"cmdAdd", "cmdEditar", "cmdDelete", "cmdPrint", "cmdClose"})
        EXPECT_FALSE(child<QPushButton>(w, name)->isHidden()) << name;
    for (const char* name : {"Command3", "Command4"})
        EXPECT_TRUE(child<QPushButton>(w, name)->isHidden()) << name;
    EXPECT_EQ(child<QPushButton>(w, "Command9")->toolTip(), "Asignar presupuesto ");
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST_F(ListFixture, AVersionSavedBreakingItsLimitsIsMarkedWithThemInItsToolTip) {
    t.db().exec("update formulas set limites_incumplidos='Calcio máximo 1.10, la mezcla 1.35' "
                "where codigo='PONEDORA'");
    frmformulas w(t.db(), kMaintain);
    auto* grid = child<QTableWidget>(w, "FlexGrid1");
    EXPECT_EQ(grid->horizontalHeaderItem(formulas::kMarkColumn)->toolTip(), formulas::kMarkLegend);
    int marked = 0;
    for (int r = 0; r < grid->rowCount(); ++r) {
        QTableWidgetItem* mark = grid->item(r, formulas::kMarkColumn);
        if (grid->item(r, 1)->text() == "PONEDORA") {
            EXPECT_EQ(mark->text(), "no cumple");
            EXPECT_EQ(mark->toolTip(), "Grabada sin cumplir: Calcio máximo 1.10, la mezcla 1.35");
            EXPECT_EQ(mark->foreground().color(), grid::colorFromLong(grid::kRed));
            ++marked;
        } else {
            EXPECT_TRUE(mark->text().isEmpty());
            EXPECT_TRUE(mark->toolTip().isEmpty());
        }
    }
    EXPECT_EQ(marked, 1);
    // An older database opened read-only has no such column: nothing is marked, nothing fails.
    t.db().exec("alter table formulas drop column limites_incumplidos");
    frmformulas older(t.db(), kMaintain);
    EXPECT_EQ(listedCodes(older),
              QStringList({"CERDO-CREC", "POLLO-INI", "PONEDORA", "VACA-CONC"}));
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('|').toStdString();
}

TEST_F(ListFixture, SearchPanelFiltersAndRefusesBadInput) {
    t.db().exec("insert into formulas (id_formula,codigo,producto,cantidad,version) values "
                "(9,'OLD','Sin fechas',100,0)");
    frmformulas w(t.db(), kMaintain);
    auto* text3 = child<QLineEdit>(w, "Text3");
    QTest::keyClicks(text3, "pollo");
    QTest::keyClick(text3, Qt::Key_Return); // Enter runs the search
    EXPECT_EQ(listedCodes(w), QStringList({"POLLO-INI"}));

    text3->clear();
    child<QLineEdit>(w, "Text5")->setText("01/01/2000"); // upper bound keeps formulas without date
    click(w, "Command1");
    EXPECT_EQ(listedCodes(w), QStringList({"OLD"}));

    child<QLineEdit>(w, "Text5")->setText("32/01/2009");
    click(w, "Command1");
    EXPECT_EQ(messages.texts(), QStringList({"La fecha no es Válida"}));
    EXPECT_EQ(messages.shown().back().style, 16);
    EXPECT_EQ(listedCodes(w), QStringList({"OLD"})); // the list stays as it was

    messages.clear();
    child<QLineEdit>(w, "Text5")->clear();
    text3->setText("no existe");
    click(w, "Command1");
    EXPECT_TRUE(listedCodes(w).isEmpty());
    EXPECT_FALSE(child<QLabel>(w, "txtnohubo")->isHidden());

    click(w, "Command2");
    EXPECT_TRUE(text3->text().isEmpty());
    EXPECT_TRUE(child<QLabel>(w, "txtnohubo")->isHidden());
    EXPECT_TRUE(w.rows().count() == 0);
}

TEST_F(ListFixture, NutrientAndIngredientPicksFilterTheList) {
    store::RecordSet nutrient =
        t.db().query("select id_propiedad,nombre from propiedades where nombre='Lisina'");
    ASSERT_EQ(nutrient.count(), 1);
    store::RecordSet ingredient = t.db().query(
        "select p.id_producto,p.nombre from productos p, formula_producto fp, formulas f where "
        "p.id_producto=fp.id_producto and fp.id_formula=f.id_formula and f.codigo='VACA-CONC'");
    ASSERT_GT(ingredient.count(), 0);

    frmformulas w(t.db(), kMaintain);
    QStringList opened;
    widgets::ScopedModalRunner runner([&](QDialog& d) {
        opened << d.objectName() + ":" + modeOf(d);
        if (auto* list = qobject_cast<catalog::frmpropiedades*>(&d)) {
            EXPECT_EQ(pickedId(*list), 0);
            return pickRow(d, qint16(nutrient.toInt("id_propiedad")));
        }
        auto& list = static_cast<catalog::frmproductos&>(d);
        EXPECT_EQ(pickedId(list), 0);
        return pickRow(d, qint16(ingredient.toInt("id_producto")));
    });
    click(w, "Command9");
    EXPECT_EQ(modeText(w.mode()), "ABM");
    EXPECT_EQ(child<QLineEdit>(w, "Text6")->text(), "Lisina");
    child<QLineEdit>(w, "Text7")->setText("abc");
    click(w, "Command1");
    EXPECT_EQ(messages.texts(), QStringList({"Debe ingresar un valor numérico Válido"}));
    child<QLineEdit>(w, "Text7")->clear();
    click(w, "Command1");
    EXPECT_EQ(listedCodes(w), QStringList({"CERDO-CREC", "POLLO-INI", "PONEDORA"}));
    // The value a saved mix reaches for the nutrient.
    t.db().exec("update formula_propiedad set valor=1.2 where id_propiedad=" +
                QString::number(nutrient.toInt("id_propiedad")) +
                " and id_formula=" + QString::number(idOf(t.db(), "PONEDORA")));
    child<QLineEdit>(w, "Text7")->setText("1.15");
    child<QLineEdit>(w, "Text8")->setText("1.2");
    click(w, "Command1");
    EXPECT_EQ(listedCodes(w), QStringList({"PONEDORA"}));
    child<QLineEdit>(w, "Text8")->clear();

    child<QLineEdit>(w, "Text7")->clear();
    click(w, "Command2");
    click(w, "Command5");
    EXPECT_EQ(child<QLineEdit>(w, "Text11")->text(), ingredient.toString("nombre"));
    click(w, "Command1");
    EXPECT_TRUE(listedCodes(w).contains("VACA-CONC"));
    EXPECT_EQ(opened, QStringList({"frmpropiedades:BUSCAR", "frmproductos:BUSCAR"}));

    // A cancelled pick clears the filter.
    widgets::ScopedModalRunner cancel([](QDialog&) { return int(QDialog::Rejected); });
    click(w, "Command5");
    EXPECT_TRUE(child<QLineEdit>(w, "Text11")->text().isEmpty());
    click(w, "Command1");
    EXPECT_EQ(listedCodes(w).size(), 4);
}

TEST_F(ListFixture, NuevoAndEditarOpenTheWorkspaceAndRefresh) {
    frmformulas w(t.db(), kMaintain);
    auto* grid = child<QTableWidget>(w, "FlexGrid1");
    QList<int> ids;
    widgets::ScopedModalRunner runner([&](QDialog& d) {
        EXPECT_EQ(d.objectName(), "frmoptimizacion");
        ids << static_cast<workspace::frmoptimizacion&>(d).formulaId();
        // The workspace saves a new formula meanwhile; the list shows it afterwards.
        t.db().exec("insert into formulas (id_formula,codigo,producto,version) values (" +
                    QString::number(50 + ids.size()) + ",'NEW" + QString::number(ids.size()) +
                    "','x',0)");
        return int(QDialog::Accepted);
    });
    click(w, "cmdAdd");
    EXPECT_EQ(listedCodes(w).size(), 5);

    const int row = grid->currentRow();
    const int expected = idOf(t.db(), grid->item(row, 1)->text());
    click(w, "cmdEditar");
    QTest::keyClick(grid, Qt::Key_Return); // Enter in the grid edits too
    EXPECT_EQ(ids, QList<int>({0, expected, idOf(t.db(), grid->item(0, 1)->text())}));
    EXPECT_EQ(listedCodes(w).size(), 7);
}

TEST_F(ListFixture, DeleteAsksAndRemovesTheFormulaWithItsRows) {
    frmformulas w(t.db(), kMaintain);
    auto* grid = child<QTableWidget>(w, "FlexGrid1");
    grid->setCurrentCell(0, 1);
    const QString code = grid->item(0, 1)->text();
    const QString id = QString::number(idOf(t.db(), code));
    auto rowsOfFormula = [&] {
        return t.db().query("select * from formula_producto where id_formula=" + id).count() +
               t.db().query("select * from formula_propiedad where id_formula=" + id).count() +
               t.db().query("select * from formulas where id_formula=" + id).count();
    };
    const int before = rowsOfFormula();
    ASSERT_GT(before, 1);

    messages.planAnswer(msg::No);
    click(w, "cmdDelete");
    EXPECT_EQ(messages.texts(), QStringList({"¿Desea eliminar la Fórmula " + code + "?"}));
    EXPECT_EQ(messages.shown().back().style, msg::QuestionDefaultNo); // No is the default
    EXPECT_EQ(rowsOfFormula(), before);

    // A failure half-way leaves the formula whole and says so.
    messages.clear();
    messages.planAnswer(msg::Yes);
    t.db().failStatementAfter(2);
    click(w, "cmdDelete");
    t.db().failStatementAfter(0);
    EXPECT_EQ(messages.texts().last(), "No es posible eliminar el Registro");
    EXPECT_EQ(rowsOfFormula(), before);

    messages.planAnswer(msg::Yes);
    grid->setCurrentCell(0, 1);
    ASSERT_EQ(grid->item(0, 1)->text(), code);
    click(w, "cmdDelete");
    EXPECT_EQ(rowsOfFormula(), 0);
    EXPECT_FALSE(listedCodes(w).contains(code));
    EXPECT_EQ(listedCodes(w).size(), 3);
}

TEST_F(ListFixture, EscapeCancelsAndTheMenuOpensTheList) {
    {
        frmformulas w(t.db(), kMaintain);
        QTest::keyClick(child<QLineEdit>(w, "Text3"), Qt::Key_Escape);
        EXPECT_EQ(w.result(), QDialog::Rejected);
        EXPECT_EQ(w.pick().value_or(0), 0);
    }
    app::menu main(store::Database::openFile(t.path()));
    int shown = 0;
    widgets::ScopedModalRunner runner([&](QDialog& d) {
        ++shown;
        EXPECT_EQ(d.objectName(), "frmformulas");
        EXPECT_EQ(modeOf(d), "ABM");
        EXPECT_EQ(d.findChild<QTableWidget*>("FlexGrid1")->rowCount(), 4);
        return int(QDialog::Accepted);
    });
    QAction* item = main.findChild<QAction*>("admformulas");
    ASSERT_TRUE(item && item->isEnabled());
    item->trigger();
    EXPECT_EQ(shown, 1);
}

TEST_F(ListFixture, PickModeReturnsTheChosenFormula) {
    frmformulas w(t.db(), kPick);
    for (const char* name : {"cmdAdd", "cmdEditar", "cmdDelete", "cmdPrint", "cmdClose"})
        EXPECT_TRUE(child<QPushButton>(w, name)->isHidden()) << name;
    EXPECT_FALSE(child<QPushButton>(w, "Command4")->isHidden());
    auto* grid = child<QTableWidget>(w, "FlexGrid1");
    grid->setCurrentCell(2, 1);
    widgets::ScopedModalRunner noWorkspace([](QDialog& d) {
        ADD_FAILURE() << "opened " << d.objectName().toStdString();
        return 0;
    });
    QTest::keyClick(grid, Qt::Key_Return);
    EXPECT_EQ(w.result(), QDialog::Accepted);
    EXPECT_EQ(w.pick().value_or(0), idOf(t.db(), grid->item(2, 1)->text()));
}

// A stored key past 32 bits, cut, would name another formula: the list refuses to show it, with
// the message that names the row, and so neither deletes nor edits through the cut key.
TEST_F(ListFixture, AKeyPast32BitsIsRefusedAndNoOtherFormulaIsTouched) {
    // 3000000000 cut to 32 bits is -1294967296. The large one is the most recently modified.
    t.db().exec("insert into formulas (id_formula,codigo,producto,version,fecha_modificacion) "
                "values (3000000000,'GRANDE','x',0,#01/01/2100#)");
    t.db().exec("insert into formulas (id_formula,codigo,producto,version,fecha_modificacion) "
                "values (-1294967296,'VICTIMA','x',0,#01/01/2001#)");
    QStringList opened;
    widgets::ScopedModalRunner runner([&](QDialog& d) {
        opened << d.objectName();
        return int(QDialog::Accepted);
    });
    messages.planAnswer(msg::Yes);
    frmformulas w(t.db(), kMaintain);
    EXPECT_EQ(opened, QStringList({"errores"}));
    EXPECT_TRUE(app::lastError().description.contains(
        "columna id_formula de la tabla formulas (id_formula=3000000000)"))
        << app::lastError().description.toStdString();
    click(w, "cmdDelete");
    click(w, "cmdEditar");
    EXPECT_EQ(idOf(t.db(), "VICTIMA"), -1294967296);
    EXPECT_EQ(t.db().query("select count(*) from formulas").value(0).toInt(), 6);
    EXPECT_FALSE(opened.contains("frmoptimizacion"));
}
