#include "app/grid_style.h"
#include "app/views/modal.h"
#include "catalog/views/frmproducto_propiedades.h"
#include "shell/views/menu.h"
#include "support/chance_sample.h"
#include "support/list_picks.h"
#include "support/scripted_messages.h"
#include "support/temp_database.h"
#include "workspace/views/frmoptimizacion.h"
#include "workspace/workspace.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

using workspace::frmoptimizacion;

namespace {

int formulaId(store::Database& db, const QString& code) {
    store::RecordSet rs = db.query("select id_formula from formulas where codigo='" + code + "'");
    rs.moveFirst();
    return rs.toInt("id_formula");
}

int ingredientId(store::Database& db, const QString& code) {
    store::RecordSet rs =
        db.query("select id_producto from productos where trim(codigo)='" + code + "'");
    rs.moveFirst();
    return rs.toInt("id_producto");
}

// The workspace window on a sample database, shown and active, opened on `code` (empty: the
// empty workspace of the main menu).
struct Window : ::testing::Test {
    TempDatabase t{true};
    ScriptedMessages messages;
    std::unique_ptr<frmoptimizacion> w;

    void open(const QString& code) {
        w = std::make_unique<frmoptimizacion>(t.db(),
                                              code.isEmpty() ? 0 : qint16(formulaId(t.db(), code)));
        w->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
        QApplication::setActiveWindow(w.get());
    }
    template <class T> T* child(const char* name) {
        T* c = w->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    QString text(const char* box) { return child<QLineEdit>(box)->text(); }
    void click(const char* name) { child<QPushButton>(name)->click(); }
    // Types the quantity and formulates.
    void formulate(const QString& quantity) {
        child<QLineEdit>("txt_cantidad")->setText(quantity);
        click("cmdFormular");
    }
    int rowNamed(QTableWidget* grid, const QString& name) {
        for (int r = 0; r < grid->rowCount(); ++r)
            if (grid->item(r, 1) && grid->item(r, 1)->text().trimmed() == name)
                return r;
        return -1;
    }
    workspace::Workspace& ws() { return w->workspace(); }
};

} // namespace

TEST_F(Window, EmptyWorkspaceFromTheMenuStartsDryWithEveryBoxEmpty) {
    open({});
    EXPECT_EQ(w->windowTitle(), "Optimización de Fórmulas");
    EXPECT_TRUE(child<QRadioButton>("Option1(0)")->isChecked());
    EXPECT_TRUE(child<QRadioButton>("Option2(0)")->isChecked());
    for (const char* box : {"txt_Formula", "txt_CodFormula", "txt_VerFormula", "txt_FecCFormula",
                            "txt_FecMFormula", "txt_cantidad", "txtCanS", "txtCanH", "txtPorS",
                            "txtPorH", "txtCosTot", "txtCosS", "txtCosH", "txtMatSeca"})
        EXPECT_EQ(text(box), "") << box;
    EXPECT_EQ(child<QTableWidget>("flexprod")->rowCount(), 0);
    EXPECT_EQ(child<QTabWidget>("SSTab1")->currentIndex(), 0);
    EXPECT_EQ(child<QTabWidget>("SSTab1")->tabText(1), "Base Seca");

    // The basis rule: wet nutrients bring wet quantities, dry quantities bring dry nutrients.
    child<QRadioButton>("Option2(1)")->click();
    EXPECT_TRUE(child<QRadioButton>("Option1(1)")->isChecked());
    EXPECT_FALSE(ws().ingredientsDry);
    EXPECT_EQ(child<QTabWidget>("SSTab1")->tabText(1), "Base Húmeda");
    child<QRadioButton>("Option1(0)")->click();
    EXPECT_TRUE(child<QRadioButton>("Option2(0)")->isChecked());
    EXPECT_TRUE(ws().nutrientsDry);
    EXPECT_EQ(child<QTabWidget>("SSTab1")->tabText(1), "Base Seca");

    // The buttons that need rows do nothing on an empty workspace; "Fórmulas" does nothing.
    for (const char* b : {"cmdComposicion", "cmdRecalcular", "cmdBuscaFormula", "Command2",
                          "Command5", "cmdActuPrecios"})
        click(b);
    EXPECT_TRUE(messages.shown().empty());
}

TEST_F(Window, FormulatesTheBroilerDietAndPaintsTheFigures) {
    open("POLLO-INI");
    EXPECT_EQ(text("txt_CodFormula"), "POLLO-INI");
    EXPECT_TRUE(child<QRadioButton>("Option1(1)")->isChecked()); // stored as fed
    EXPECT_EQ(child<QTabWidget>("SSTab1")->tabText(1), "Base Húmeda");
    auto* flexprod = child<QTableWidget>("flexprod");
    ASSERT_EQ(flexprod->rowCount(), 19);

    formulate("1000");
    EXPECT_TRUE(messages.shown().empty()) << messages.texts().join("|").toStdString();
    EXPECT_NEAR(ws().vCostoHumeda, 0.2749198, 5e-7);
    EXPECT_EQ(text("txtCosH"), "$ 0.2749");
    EXPECT_EQ(text("txtCanH"), "1000.00");
    EXPECT_EQ(text("txtPorH"), "100.00");
    EXPECT_EQ(text("txt_cantidad"), "1000.00");
    EXPECT_EQ(child<QLineEdit>("txtPorH")->palette().color(QPalette::Base), QColor(Qt::white));

    // The mix in bold, largest share first; the rest dimmed with empty quantities.
    const QTableWidgetItem* first = flexprod->item(0, 1);
    EXPECT_TRUE(first->font().bold());
    EXPECT_FALSE(flexprod->item(0, 12)->text().isEmpty());
    const int last = flexprod->rowCount() - 1;
    EXPECT_EQ(flexprod->item(last, 12)->text(), "");
    EXPECT_EQ(flexprod->item(last, 1)->background().color(), grid::colorFromLong(grid::kDimmed));
    EXPECT_EQ(flexprod->item(0, 5)->background().color(), grid::colorFromLong(grid::kGrey));
    // The totals lie under their columns.
    auto* txtCanH = child<QLineEdit>("txtCanH");
    const QPoint boxLeft = txtCanH->mapToGlobal(QPoint(0, 0));
    const QPoint columnLeft =
        flexprod->viewport()->mapToGlobal(QPoint(flexprod->columnViewportPosition(12), 0));
    EXPECT_EQ(boxLeft.x(), columnLeft.x());
    EXPECT_EQ(txtCanH->width(), flexprod->columnWidth(12));
    EXPECT_TRUE(txtCanH->isVisible());

    // The share box shows the full precision of a share.
    QTest::mouseClick(flexprod->viewport(), Qt::LeftButton, {},
                      flexprod->visualRect(flexprod->model()->index(0, 13)).center());
    auto* text8 = child<QLineEdit>("Text8");
    EXPECT_TRUE(text8->isVisible());
    EXPECT_GT(text8->text().size(), flexprod->item(0, 13)->text().size());
}

TEST_F(Window, EditsANutrientLimitInPlaceWithEnterEscAndClickAway) {
    open("POLLO-INI");
    child<QTabWidget>("SSTab1")->setCurrentIndex(1);
    auto* flexprop = child<QTableWidget>("flexprop");
    const int row = rowNamed(flexprop, "Proteína bruta");
    ASSERT_GE(row, 0);
    auto* txtProp = child<QLineEdit>("txtProp");
    auto minimo = [&] {
        for (const workspace::FormulaNutrient& n : ws().nutrients)
            if (n.nombre == "Proteína bruta")
                return n.minimo ? QVariant(*n.minimo) : QVariant();
        return QVariant();
    };

    flexprop->setFocus();
    flexprop->setCurrentCell(row, 3);
    QTest::keyClick(flexprop, Qt::Key_Return);
    ASSERT_TRUE(txtProp->isVisible());
    EXPECT_EQ(txtProp->text(), "23.00");
    txtProp->selectAll();
    QTest::keyClicks(txtProp, "21.456");
    QTest::keyClick(txtProp, Qt::Key_Return);
    EXPECT_FALSE(txtProp->isVisible());
    EXPECT_DOUBLE_EQ(minimo().toDouble(), 21.46);
    EXPECT_EQ(flexprop->item(rowNamed(flexprop, "Proteína bruta"), 3)->text(), "21.46");

    // Esc drops the edit.
    QTest::keyClick(flexprop, Qt::Key_Return);
    txtProp->selectAll();
    QTest::keyClicks(txtProp, "5");
    QTest::keyClick(txtProp, Qt::Key_Escape);
    EXPECT_DOUBLE_EQ(minimo().toDouble(), 21.46);

    // Leaving the box for another control counts as Enter; a refused text changes nothing.
    QTest::keyClick(flexprop, Qt::Key_Return);
    txtProp->selectAll();
    QTest::keyClicks(txtProp, "abc");
    child<QLineEdit>("txt_cantidad")->setFocus(Qt::MouseFocusReason);
    QTRY_VERIFY(!txtProp->isVisible());
    EXPECT_DOUBLE_EQ(minimo().toDouble(), 21.46);
    EXPECT_EQ(messages.texts(), QStringList{"El valor debe ser numérico"});

    // A value column opens nothing but its read-only detail box.
    flexprop->setFocus();
    flexprop->setCurrentCell(row, 6);
    QTest::keyClick(flexprop, Qt::Key_Return);
    EXPECT_FALSE(txtProp->isVisible());
}

// Each nutrient reads in its own unit, with its decimals, and its limits still edit as plain
// numbers; the quantities say they are kilograms.
TEST_F(Window, NutrientsShowTheirUnitAndQuantitiesTheirKilograms) {
    open("POLLO-INI");
    auto* grid = child<QTableWidget>("flexprod");
    auto header = [](QTableWidget* g, int c) {
        return g->horizontalHeaderItem(c) ? g->horizontalHeaderItem(c)->text() : QString();
    };
    QStringList captions;
    for (int c = 0; c < grid->columnCount(); ++c)
        if (!grid->isColumnHidden(c))
            captions << header(grid, c);
    EXPECT_TRUE(captions.contains("B.Seca kg") && captions.contains("B.Húmeda kg"))
        << captions.join(u',').toStdString();
    for (int c : {9, 12}) // the quantity columns and their totals' captions are not cut
        EXPECT_GT(grid->columnWidth(c),
                  grid->horizontalHeader()->fontMetrics().horizontalAdvance(header(grid, c)))
            << c;
    for (const char* total : {"lblCanS", "lblCanH"})
        EXPECT_GE(child<QLabel>(total)->width(), child<QLabel>(total)->sizeHint().width()) << total;
    QStringList labels;
    for (const QLabel* l : w->findChildren<QLabel*>())
        labels << l->text();
    EXPECT_TRUE(labels.contains("Cantidad a elaborar (kg)"));

    child<QTabWidget>("SSTab1")->setCurrentIndex(1);
    auto* flexprop = child<QTableWidget>("flexprop");
    int unit = -1;
    for (int c = 0; c < flexprop->columnCount(); ++c)
        if (header(flexprop, c) == "Unidad" && !flexprop->isColumnHidden(c))
            unit = c;
    ASSERT_GE(unit, 0);
    const int energy = rowNamed(flexprop, "Energía metabolizable aves");
    const int protein = rowNamed(flexprop, "Proteína bruta");
    ASSERT_GE(energy, 0);
    EXPECT_EQ(flexprop->item(energy, unit)->text(), "Mcal");
    EXPECT_EQ(flexprop->item(protein, unit)->text(), "%");
    EXPECT_EQ(flexprop->item(energy, 3)->text(), "3.200");
    EXPECT_EQ(flexprop->item(protein, 3)->text(), "23.00");

    auto* txtProp = child<QLineEdit>("txtProp");
    flexprop->setFocus();
    flexprop->setCurrentCell(energy, 3);
    QTest::keyClick(flexprop, Qt::Key_Return);
    ASSERT_TRUE(txtProp->isVisible());
    EXPECT_EQ(txtProp->text(), "3.200"); // a plain number, no unit to take out
    txtProp->selectAll();
    QTest::keyClicks(txtProp, "3.05");
    QTest::keyClick(txtProp, Qt::Key_Return);
    EXPECT_FALSE(txtProp->isVisible());
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join(u'|').toStdString();
    EXPECT_EQ(flexprop->item(rowNamed(flexprop, "Energía metabolizable aves"), 3)->text(), "3.050");

    formulate("1000");
    const int after = rowNamed(flexprop, "Energía metabolizable aves");
    EXPECT_EQ(flexprop->item(after, 6)->text().section(u'.', 1).size(), 3); // Mcal: 3 decimals
    EXPECT_EQ(
        flexprop->item(rowNamed(flexprop, "Proteína bruta"), 6)->text().section(u'.', 1).size(), 2);
}

// Every stored limit row of a formula, as one text per row, to tell whether anything was written.
QStringList storedLimitRows(store::Database& db, int idFormula) {
    QStringList rows;
    for (const char* table : {"formula_producto", "formula_propiedad"}) {
        const store::RecordSet rs = db.query(QStringLiteral("select * from %1 where id_formula=%2")
                                                 .arg(QLatin1String(table))
                                                 .arg(idFormula));
        for (int r = 0; r < rs.count(); ++r) {
            QStringList cells;
            for (int c = 0; c < rs.fieldCount(); ++c)
                cells << rs.valueAt(r, c).toString();
            rows << cells.join(u'|');
        }
    }
    return rows;
}

// Refusals are told while the editor is still open over its cell, before the grid takes the
// focus back, and leave both the workspace and the database as they were.
TEST_F(Window, RefusedLimitsTypedInTheGridsAreToldInPlaceAndChangeNothing) {
    struct Moment {
        QString text;
        QString editorShown; // the in-place editor that was open and focused, if any
    };
    std::vector<Moment> moments;
    struct Watching : ScriptedMessages {
        std::function<void(const QString&)> onShow;
        int show(const QString& text, int style, const QString& title) override {
            onShow(text);
            return ScriptedMessages::show(text, style, title);
        }
    } watching;
    watching.onShow = [&](const QString& text) {
        const QWidget* focus = QApplication::focusWidget();
        moments.push_back({text, focus && focus->isVisible() ? focus->objectName() : QString()});
    };

    open("POLLO-INI");
    const int id = formulaId(t.db(), "POLLO-INI");
    const QStringList stored = storedLimitRows(t.db(), id);
    ASSERT_FALSE(stored.isEmpty());
    auto type = [&](int tab, const char* gridName, const QString& name, int column,
                    const char* editorName, const QString& typed) {
        child<QTabWidget>("SSTab1")->setCurrentIndex(tab);
        auto* grid = child<QTableWidget>(gridName);
        const int row = rowNamed(grid, name);
        ASSERT_GE(row, 0) << name.toStdString();
        grid->setFocus();
        grid->setCurrentCell(row, column);
        QTest::keyClick(grid, Qt::Key_Return);
        auto* editor = child<QLineEdit>(editorName);
        ASSERT_TRUE(editor->isVisible()) << editorName;
        editor->selectAll();
        QTest::keyClicks(editor, typed);
        QTest::keyClick(editor, Qt::Key_Return);
        EXPECT_FALSE(editor->isVisible()) << editorName;
        EXPECT_EQ(QApplication::focusWidget(), grid) << editorName;
    };
    const workspace::Workspace before = ws();
    type(0, "flexprod", "Maíz amarillo grano", 6, "txtProd", "abc");
    type(0, "flexprod", "Maíz amarillo grano", 7, "txtProd", "-1");
    type(0, "flexprod", "Maíz amarillo grano", 7, "txtProd", "1000.5");
    type(1, "flexprop", "Proteína bruta", 3, "txtProp", "abc");
    type(1, "flexprop", "Proteína bruta", 4, "txtProp", "1,5");

    ASSERT_EQ(moments.size(), 5u) << watching.texts().join('|').toStdString();
    const QStringList expected{"El valor debe ser numérico", "El valor debe ser mayor que cero",
                               "El valor debe ser menor a 1000 unidades",
                               "El valor debe ser numérico", "El valor debe ser numérico"};
    const QStringList editors{"txtProd", "txtProd", "txtProd", "txtProp", "txtProp"};
    for (size_t i = 0; i < moments.size(); ++i) {
        EXPECT_EQ(moments[i].text, expected[int(i)]);
        EXPECT_EQ(moments[i].editorShown, editors[int(i)]) << moments[i].text.toStdString();
        EXPECT_EQ(watching.shown()[i].style, msg::Critical);
    }
    for (size_t i = 0; i < ws().ingredients.size(); ++i) {
        EXPECT_EQ(ws().ingredients[i].minimo, before.ingredients[i].minimo);
        EXPECT_EQ(ws().ingredients[i].maximo, before.ingredients[i].maximo);
    }
    for (size_t i = 0; i < ws().nutrients.size(); ++i) {
        EXPECT_EQ(ws().nutrients[i].minimo, before.nutrients[i].minimo);
        EXPECT_EQ(ws().nutrients[i].maximo, before.nutrients[i].maximo);
    }
    EXPECT_EQ(storedLimitRows(t.db(), id), stored);
}

TEST_F(Window, EscOutsideAnEditorKeepsTheWindowAndItsEdits) {
    open("POLLO-INI");
    child<QTabWidget>("SSTab1")->setCurrentIndex(1);
    auto* flexprop = child<QTableWidget>("flexprop");
    auto* txtProp = child<QLineEdit>("txtProp");
    auto edit = [&](const QString& typed) {
        flexprop->setFocus();
        flexprop->setCurrentCell(rowNamed(flexprop, "Proteína bruta"), 3);
        QTest::keyClick(flexprop, Qt::Key_Return);
        txtProp->selectAll();
        QTest::keyClicks(txtProp, typed);
        QTest::keyClick(txtProp, Qt::Key_Return);
    };
    auto minimo = [&] {
        for (const workspace::FormulaNutrient& n : ws().nutrients)
            if (n.nombre == "Proteína bruta")
                return n.minimo.value_or(0);
        return 0.0;
    };
    edit("21.5");
    edit("abc"); // refused: the editor is hidden again and the grid has the focus
    EXPECT_EQ(messages.texts(), QStringList{"El valor debe ser numérico"});
    ASSERT_FALSE(txtProp->isVisible());
    for (QWidget* target : {QApplication::focusWidget(), static_cast<QWidget*>(flexprop),
                            static_cast<QWidget*>(child<QLineEdit>("txt_cantidad"))}) {
        ASSERT_NE(target, nullptr);
        QTest::keyClick(target, Qt::Key_Escape);
        EXPECT_TRUE(w->isVisible());
        EXPECT_EQ(w->result(), 0);
    }
    EXPECT_DOUBLE_EQ(minimo(), 21.5);

    // The window's close button leaves as "&Salir" does.
    w->close();
    EXPECT_FALSE(w->isVisible());
    open("POLLO-INI");
    click("cmdClose");
    EXPECT_FALSE(w->isVisible());
}

TEST_F(Window, AfterARunThatFindsNoMixEveryBoldRowShowsItsFigures) {
    open("POLLO-INI");
    // 700 of the 1000 as maize bring more energy than the new maximum allows.
    for (workspace::FormulaIngredient& p : ws().ingredients)
        if (p.nombre.trimmed() == "Maíz amarillo grano")
            p.minimo = 700.0;
    for (workspace::FormulaNutrient& n : ws().nutrients) {
        if (n.nombre.trimmed() == "Energía metabolizable aves") {
            n.minimo.reset();
            n.maximo = 2.0;
        }
    }
    widgets::ScopedModalRunner conflict([](QDialog& d) {
        EXPECT_EQ(d.objectName(), "frmConflicto");
        return int(QDialog::Accepted);
    });
    formulate("1000");
    ASSERT_EQ(messages.texts(), QStringList{"No es posible cumplir todas las restricciones"});
    auto* flexprod = child<QTableWidget>("flexprod");
    int bold = 0;
    for (int r = 0; r < flexprod->rowCount(); ++r) {
        SCOPED_TRACE(flexprod->item(r, 1)->text().toStdString());
        const bool inMix = flexprod->item(r, 1)->font().bold();
        for (int c : {12, 13}) {
            EXPECT_EQ(flexprod->item(r, c)->font().bold(), inMix) << c;
            EXPECT_EQ(flexprod->item(r, c)->text().isEmpty(), !inMix) << c;
        }
        bold += inMix;
    }
    EXPECT_GT(bold, 0);
}

TEST_F(Window, AddsAPickedIngredientAndAnswersTheDryMatterQuestion) {
    open("POLLO-INI");
    const int soja = ingredientId(t.db(), "SOJA44");
    QString modeSeen;
    widgets::ScopedModalRunner user([&](QDialog& d) {
        if (d.objectName() != "frmproductos")
            return int(QDialog::Rejected);
        modeSeen = modeOf(d);
        return pickRow(d, qint16(soja));
    });
    auto* flexprod = child<QTableWidget>("flexprod");
    click("Command3");
    EXPECT_EQ(modeSeen, "BUSCAR");
    EXPECT_EQ(flexprod->rowCount(), 20);
    EXPECT_GE(rowNamed(flexprod, "Harina de soja 44%"), 0);
    EXPECT_TRUE(messages.shown().empty());

    click("Command3"); // the same one again
    EXPECT_EQ(messages.texts(),
              QStringList{"El Ingrediente Ya se encuentra Asginado a la Fórmula"});

    // Removing the selected ingredient takes exactly its row.
    flexprod->setCurrentCell(rowNamed(flexprod, "Harina de soja 44%"), 1);
    click("Command2");
    EXPECT_EQ(flexprod->rowCount(), 19);
    EXPECT_EQ(rowNamed(flexprod, "Harina de soja 44%"), -1);

    messages.clear();
    click("cmdActuMSeca"); // answered No: nothing changes
    EXPECT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].style, msg::Question);
    EXPECT_EQ(messages.shown()[0].text,
              "¿Confirma la Actualización de la Materia Seca para los Ingredientes?");
    // Answered Yes, every row takes the catalogue's dry matter, which none lacks: nothing more.
    messages.clear();
    messages.planAnswer(msg::Yes);
    click("cmdActuMSeca");
    EXPECT_EQ(messages.texts(),
              QStringList{"¿Confirma la Actualización de la Materia Seca para los Ingredientes?"});
    EXPECT_EQ(flexprod->rowCount(), 19);
}

TEST_F(Window, QuantityEditSharesTheBatchAndTheQuantityBoxChecksItsNumber) {
    open("POLLO-INI");
    child<QTabWidget>("SSTab1")->setCurrentIndex(0);
    auto* flexprod = child<QTableWidget>("flexprod");
    const int maiz = rowNamed(flexprod, "Maíz amarillo grano");
    ASSERT_GE(maiz, 0);
    flexprod->setFocus();
    flexprod->setCurrentCell(maiz, 12);
    QTest::keyClick(flexprod, Qt::Key_Return);
    auto* text1 = child<QLineEdit>("Text1");
    ASSERT_TRUE(text1->isVisible());
    QTest::keyClicks(text1, "600");
    QTest::keyClick(text1, Qt::Key_Return);
    EXPECT_EQ(text("txtCanH"), "600.00");
    EXPECT_EQ(text("txtPorH"), "100.00");
    EXPECT_EQ(text("txt_cantidad"), "600.00");
    EXPECT_EQ(flexprod->item(0, 1)->text().trimmed(), "Maíz amarillo grano");
    EXPECT_EQ(flexprod->item(0, 13)->text(), "100.00");

    auto* cantidad = child<QLineEdit>("txt_cantidad");
    cantidad->setFocus();
    cantidad->setText("mil");
    flexprod->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE(messages.texts(), QStringList{"Debe ingresar un valor Numérico"});
    QTRY_VERIFY(cantidad->hasFocus());
}

TEST(MenuOptimizacion, OpensAnEmptyWorkspaceModally) {
    TempDatabase t(true);
    app::menu main(store::Database::openFile(t.path()));
    int opened = 0;
    int openedOn = -1;
    widgets::ScopedModalRunner user([&](QDialog& d) {
        ++opened;
        EXPECT_EQ(d.objectName(), "frmoptimizacion");
        EXPECT_TRUE(d.isModal());
        auto& w = static_cast<frmoptimizacion&>(d);
        EXPECT_EQ(w.workspace().formulaId, 0);
        openedOn = w.formulaId();
        EXPECT_EQ(int(w.workspace().ingredients.size()), 0);
        return int(QDialog::Rejected);
    });
    auto* item = main.findChild<QAction*>("optimizacion");
    ASSERT_TRUE(item && item->isEnabled());
    item->trigger();
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(openedOn, 0);
}

TEST_F(Window, BuildsAFormulaFromAnEmptyWorkspaceThroughThePickLists) {
    open({});
    auto nutrientId = [&](const QString& name) {
        store::RecordSet rs =
            t.db().query("select id_propiedad from propiedades where nombre='" + name + "'");
        rs.moveFirst();
        return rs.toInt("id_propiedad");
    };
    QList<int> ingredients{ingredientId(t.db(), "MAIZ"), ingredientId(t.db(), "SOJA44"),
                           ingredientId(t.db(), "CALCAREO")};
    QList<QPair<int, QString>> nutrients{{nutrientId("Proteína bruta"), "Proteína bruta"},
                                         {nutrientId("Calcio"), "Calcio"}};
    widgets::ScopedModalRunner user([&](QDialog& d) {
        if (d.objectName() == "frmproductos")
            return pickRow(d, qint16(ingredients.takeFirst()));
        if (d.objectName() == "frmpropiedades")
            return pickRow(d, qint16(nutrients.takeFirst().first));
        return int(QDialog::Accepted);
    });
    for (int i = 0; i < 3; ++i)
        click("Command3");
    auto* flexprop = child<QTableWidget>("flexprop");
    click("Command4");
    click("Command4");
    EXPECT_EQ(flexprop->currentRow(), 1); // the nutrient just added is selected
    EXPECT_EQ(flexprop->item(1, 1)->text().trimmed(), "Calcio");
    EXPECT_EQ(ws().nutrients.back().unidad, "%"); // the picked nutrient's unit comes with it

    // Limits typed in place: protein at least 20, calcium between 0.9 and 1.2.
    child<QTabWidget>("SSTab1")->setCurrentIndex(1);
    auto type = [&](int row, int column, const char* value) {
        flexprop->setFocus();
        flexprop->setCurrentCell(row, column);
        QTest::keyClick(flexprop, Qt::Key_Return);
        auto* txtProp = child<QLineEdit>("txtProp");
        txtProp->selectAll();
        QTest::keyClicks(txtProp, value);
        QTest::keyClick(txtProp, Qt::Key_Return);
    };
    type(0, 3, "20");
    type(1, 3, "0.9");
    type(1, 4, "1.2");
    formulate("100");
    EXPECT_TRUE(messages.shown().empty()) << messages.texts().join("|").toStdString();
    EXPECT_EQ(text("txtCanS"), "100.00"); // a new workspace works on dry matter
    EXPECT_EQ(text("txtPorS"), "100.00");
    EXPECT_EQ(flexprop->item(rowNamed(flexprop, "Proteína bruta"), 6)->text(), "20.00");
    EXPECT_FALSE(flexprop->item(0, 6)->background().color() == QColor(Qt::red));

    // The value box shows the full figure.
    QTest::mouseClick(flexprop->viewport(), Qt::LeftButton, {},
                      flexprop->visualRect(flexprop->model()->index(1, 6)).center());
    auto* text2 = child<QLineEdit>("Text2");
    EXPECT_TRUE(text2->isVisible());
    EXPECT_TRUE(text2->text().startsWith(flexprop->item(1, 6)->text().left(3)));

    // A price typed in place: the box starts without "$", and the dry price follows.
    child<QTabWidget>("SSTab1")->setCurrentIndex(0);
    auto* flexprod = child<QTableWidget>("flexprod");
    const int maiz = rowNamed(flexprod, "Maíz amarillo grano");
    flexprod->setFocus();
    flexprod->setCurrentCell(maiz, 4);
    QTest::keyClick(flexprod, Qt::Key_Return);
    auto* txtPrecio = child<QLineEdit>("txtPrecio");
    ASSERT_TRUE(txtPrecio->isVisible());
    EXPECT_EQ(txtPrecio->text(), "0.1730");
    txtPrecio->selectAll();
    QTest::keyClicks(txtPrecio, "0.2");
    QTest::keyClick(txtPrecio, Qt::Key_Return);
    EXPECT_EQ(flexprod->item(rowNamed(flexprod, "Maíz amarillo grano"), 4)->text(), "$ 0.2000");
    // The catalogue still says 0.173: the changed price is signalled in green.
    EXPECT_EQ(flexprod->item(rowNamed(flexprod, "Maíz amarillo grano"), 4)->background().color(),
              grid::colorFromLong(grid::kGreen));
    EXPECT_TRUE(messages.shown().empty());
}

TEST_F(Window, VerNutrientesHandsTheSelectedIngredientOver) {
    open("POLLO-INI");
    auto* flexprod = child<QTableWidget>("flexprod");
    const int maiz = rowNamed(flexprod, "Maíz amarillo grano");
    QStringList opened;
    QString caption;
    int shownId = 0;
    widgets::ScopedModalRunner user([&](QDialog& d) {
        opened << d.objectName();
        caption = d.windowTitle();
        if (auto* values = qobject_cast<catalog::frmproducto_propiedades*>(&d))
            shownId = values->ingredientId();
        return int(QDialog::Accepted);
    });
    flexprod->setCurrentCell(-1, -1);
    click("cmdNutrientes"); // no row selected: nothing
    EXPECT_TRUE(opened.isEmpty());
    flexprod->setCurrentCell(maiz, 1);
    click("cmdNutrientes");
    EXPECT_EQ(shownId, ingredientId(t.db(), "MAIZ"));
    EXPECT_EQ(caption.trimmed(), "Maíz amarillo grano");
    EXPECT_EQ(opened, QStringList{"frmproducto_propiedades"});
    EXPECT_EQ(caption, "Maíz amarillo grano"); // the ingredient whose composition it shows
    EXPECT_TRUE(messages.shown().empty());
}

TEST_F(Window, AProbabilityTypedInTheNutrientGridIsFormulatedAndSaved) {
    // Protein varies by 5 % of its value in every ingredient.
    varySampleProtein(t.db());
    open("POLLO-INI");
    child<QTabWidget>("SSTab1")->setCurrentIndex(1);
    auto* flexprop = child<QTableWidget>("flexprop");
    const int row = rowNamed(flexprop, "Proteína bruta");
    ASSERT_GE(row, 0);
    int column = -1;
    for (int c = 0; c < flexprop->columnCount(); ++c)
        if (flexprop->horizontalHeaderItem(c) &&
            flexprop->horizontalHeaderItem(c)->text() == "Prob. %")
            column = c;
    ASSERT_GE(column, 0);
    auto* txtProp = child<QLineEdit>("txtProp");
    const auto typeProbability = [&](const QString& typed) {
        flexprop->setFocus();
        flexprop->setCurrentCell(row, column);
        QTest::keyClick(flexprop, Qt::Key_Return);
        ASSERT_TRUE(txtProp->isVisible());
        txtProp->selectAll();
        QTest::keyClicks(txtProp, typed);
        QTest::keyClick(txtProp, Qt::Key_Return);
    };
    const auto probability = [&] {
        for (const workspace::FormulaNutrient& n : ws().nutrients)
            if (n.nombre == "Proteína bruta")
                return n.probabilidad;
        return std::optional<double>();
    };

    typeProbability("40"); // below one half: refused, nothing stored
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(messages.texts()[0].contains("probabilidad"));
    EXPECT_FALSE(probability());
    typeProbability("95");
    EXPECT_EQ(probability(), 0.95);
    EXPECT_EQ(flexprop->item(row, column)->text(), "95.00");
    // Typed and not saved: green, as the limits edited are.
    const QColor green = grid::colorFromLong(grid::kGreen);
    EXPECT_EQ(flexprop->item(row, column)->background().color(), green);

    messages.clear();
    formulate("1000");
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();
    EXPECT_EQ(flexprop->item(row, column)->background().color(), green);
    // The analysis window's chance tab, its price of the minimum and the line above the tabs.
    struct Analysis {
        int listed = -1;
        QString note, price, above;
    };
    const auto analysis = [&] {
        Analysis a;
        widgets::ScopedModalRunner runner([&](QDialog& d) {
            if (auto* grid = d.findChild<QTableWidget*>("grdProbabilidad")) {
                a.listed = grid->rowCount();
                for (int c = 0; c < grid->columnCount(); ++c)
                    if (grid->horizontalHeaderItem(c)->text() == "Precio del mínimo" &&
                        grid->rowCount() > 0 && grid->item(0, c))
                        a.price = grid->item(0, c)->text();
            }
            if (auto* label = d.findChild<QLabel*>("lblIndependencia"))
                a.note = label->text();
            if (auto* label = d.findChild<QLabel*>("lblNotaAnalisis"))
                a.above = label->text();
            d.accept();
            return int(QDialog::Accepted);
        });
        click("Command1");
        return a;
    };
    const Analysis formulated = analysis();
    EXPECT_EQ(formulated.listed, 1);
    EXPECT_TRUE(formulated.note.contains("independiente"));
    EXPECT_FALSE(formulated.price.isEmpty());
    EXPECT_TRUE(formulated.above.contains("tangente")) << formulated.above.toStdString();

    {
        widgets::ScopedModalRunner header([](QDialog& h) {
            h.findChild<QCheckBox*>("Check1")->click(); // a new version
            h.findChild<QPushButton*>("cmdUpdate")->click();
            return h.result();
        });
        click("cmdUpdate");
    }
    store::RecordSet saved = t.db().query(
        "select fpp.probabilidad from formula_propiedad_probabilidad fpp, formulas f, "
        "propiedades p where fpp.id_formula=f.id_formula and fpp.id_propiedad=p.id_propiedad and "
        "p.nombre='Proteína bruta' and f.codigo='POLLO-INI' and f.version=1");
    ASSERT_EQ(saved.count(), 1);
    EXPECT_EQ(saved.valueAt(0, 0).toDouble(), 0.95);
    EXPECT_NE(flexprop->item(row, column)->background().color(), green);

    // Ranging does not take the probability into account yet, and says so.
    messages.clear();
    click("cmdRangos");
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(messages.texts()[0].contains("probabilidad"));

    // Opened again, the stored mix shows its figures before any formulation; the price waits.
    messages.clear();
    w = std::make_unique<frmoptimizacion>(
        t.db(), qint16(t.db()
                           .query("select id_formula from formulas where codigo='POLLO-INI' and "
                                  "version=1")
                           .valueAt(0, 0)
                           .toInt()));
    w->show();
    const Analysis reopened = analysis();
    EXPECT_EQ(reopened.listed, 1);
    EXPECT_TRUE(reopened.price.isEmpty());
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();
}
