// The paths a nutritionist takes through the windows, end to end: every view is the real one,
// driven by the names of its controls; the tests only play the user in each modal window.
#include "app/views/modal.h"
#include "formulas/views/frmformulas.h"
#include "shell/views/menu.h"
#include "support/scripted_messages.h"
#include "support/temp_database.h"
#include "workspace/views/frmoptimizacion.h"
#include "workspace/workspace.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

using workspace::frmoptimizacion;

namespace {

template <class T> T* find(const QWidget& w, const char* name) {
    T* c = w.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
}

void click(const QWidget& w, const char* name) {
    QPushButton* b = find<QPushButton>(w, name);
    ASSERT_TRUE(b);
    b->click();
}

QString text(const QWidget& w, const char* box) {
    return find<QLineEdit>(w, box)->text();
}

void showActive(QWidget& w) {
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    QApplication::setActiveWindow(&w);
}

// The row whose `column` reads `text` (trimmed), or -1.
int rowWith(const QTableWidget* grid, int column, const QString& text) {
    for (int r = 0; r < grid->rowCount(); ++r)
        if (grid->item(r, column) && grid->item(r, column)->text().trimmed() == text)
            return r;
    return -1;
}

// Everything the user reads in the workspace: its figure boxes and the visible cells of both
// grids, row by row.
QStringList figures(const QWidget& w) {
    QStringList out;
    for (const char* box : {"txt_cantidad", "txtMatSeca", "txtCanS", "txtPorS", "txtCanH",
                            "txtPorH", "txtCosTot", "txtCosH", "txtCosS"})
        out << QString::fromLatin1(box) + "=" + text(w, box);
    for (const char* name : {"flexprod", "flexprop"}) {
        const auto* grid = find<QTableWidget>(w, name);
        for (int r = 0; r < grid->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < grid->columnCount(); ++c)
                if (!grid->isColumnHidden(c))
                    cells << (grid->item(r, c) ? grid->item(r, c)->text() : QString());
            out << cells.join('|');
        }
    }
    return out;
}

// Types `value` into a grid cell through its in-place editor, as a user does: Enter opens the
// editor on the current cell, Enter takes the value.
void editCell(const QWidget& w, int tab, const char* gridName, int row, int column,
              const char* editorName, const QString& value) {
    find<QTabWidget>(w, "SSTab1")->setCurrentIndex(tab);
    auto* grid = find<QTableWidget>(w, gridName);
    grid->setFocus();
    grid->setCurrentCell(row, column);
    QTest::keyClick(grid, Qt::Key_Return);
    auto* editor = find<QLineEdit>(w, editorName);
    ASSERT_TRUE(editor->isVisible()) << editorName;
    editor->selectAll();
    QTest::keyClicks(editor, value);
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_FALSE(editor->isVisible()) << editorName;
}

// Picks the row named `name` in a catalogue list opened in pick mode and accepts it.
int pickByName(QDialog& list, int nameColumn, const QString& name) {
    EXPECT_FALSE(find<QPushButton>(list, "Command4")->isHidden()) << "pick mode";
    auto* grid = find<QTableWidget>(list, "FlexGrid1");
    const int row = rowWith(grid, nameColumn, name);
    EXPECT_GE(row, 0) << name.toStdString();
    grid->setCurrentCell(row, nameColumn);
    click(list, "Command4");
    return list.result();
}

// A sample formula and what formulating it for 1000 kg gives, as the command line reports it.
struct Sample {
    const char* code;
    const char* batchBox;      // the box that shows the typed quantity: the formula's basis
    const char* costAsFed;     // the as-fed cost box
    const char* costTotal;     // the batch's cost box
    const char* topIngredient; // the largest share of the mix
    const char* topAsFed;      // its as-fed quantity
    int active;                // ingredients in the optimal basis
    const char* proteinMin;    // the lowered protein minimum the user types
};

void PrintTo(const Sample& s, std::ostream* os) {
    *os << s.code;
}

const Sample kSamples[] = {
    {"POLLO-INI", "txtCanH", "$ 0.2749", "$ 274.92", "Sorgo grano bajo tanino", "568.78", 12, "22"},
    {"CERDO-CREC", "txtCanH", "$ 0.2149", "$ 214.92", "Sorgo grano bajo tanino", "646.76", 10,
     "19.45"},
    {"PONEDORA", "txtCanH", "$ 0.1915", "$ 191.51", "Sorgo grano bajo tanino", "675.52", 12, "14"},
    {"VACA-CONC", "txtCanS", "$ 0.1882", "$ 211.24", "Burlanda de maíz (DDGS)", "280.90", 8,
     "19.2"},
};

struct FromTheFormulaList : ::testing::TestWithParam<Sample> {
    TempDatabase t{true};
    ScriptedMessages messages;
    void drive(formulas::frmformulas& list, int& original, int& written);
};

QString noMessages(const ScriptedMessages& m) {
    return m.texts().join(" | ");
}

} // namespace

// The user's work in the formula list opened from the menu: the sample is edited, saved as
// a new version and reopened.
void FromTheFormulaList::drive(formulas::frmformulas& list, int& original, int& written) {
    const Sample s = GetParam();
    const QString code = QString::fromLatin1(s.code);
    showActive(list);
    auto* listed = find<QTableWidget>(list, "FlexGrid1");
    const int row = rowWith(listed, 1, code);
    ASSERT_GE(row, 0);
    listed->setCurrentCell(row, 1);
    original = list.rows().valueAt(row, 0).toInt();

    QStringList saved;
    QStringList opened;
    widgets::ScopedModalRunner user([&](QDialog& d) {
        EXPECT_EQ(d.objectName(), "frmoptimizacion");
        auto& w = static_cast<frmoptimizacion&>(d);
        showActive(w);
        EXPECT_EQ(text(w, "txt_CodFormula"), code);

        auto* cantidad = find<QLineEdit>(w, "txt_cantidad");
        cantidad->setFocus();
        cantidad->selectAll();
        QTest::keyClicks(cantidad, "1000");
        click(w, "cmdFormular");
        EXPECT_EQ(noMessages(messages), "");
        EXPECT_EQ(text(w, "txtCosH"), s.costAsFed);
        EXPECT_EQ(text(w, "txtCosTot"), s.costTotal);
        EXPECT_EQ(text(w, s.batchBox), "1000.00");
        auto* flexprod = find<QTableWidget>(w, "flexprod");
        EXPECT_EQ(flexprod->item(0, 1)->text().trimmed(), s.topIngredient);
        EXPECT_EQ(flexprod->item(0, 12)->text(), s.topAsFed);
        const QString firstCost = text(w, "txtCosH");

        // The analysis and the composition, as the user opens them over the workspace.
        {
            widgets::ScopedModalRunner views([&](QDialog& v) {
                opened << v.objectName();
                showActive(v);
                if (v.objectName() == "frmAnalisis") {
                    // Every ingredient is either in the mix or out of it.
                    const int active = find<QTableWidget>(v, "FlexGrid0")->rowCount();
                    const int inactive = find<QTableWidget>(v, "FlexGrid1")->rowCount();
                    EXPECT_EQ(active, s.active);
                    EXPECT_EQ(active + inactive, flexprod->rowCount());
                    EXPECT_GE(rowWith(find<QTableWidget>(v, "FlexGrid0"), 1, s.topIngredient), 0);
                } else if (v.objectName() == "frmResultados") {
                    auto* matrix = find<QTableWidget>(v, "FlexGrid1");
                    EXPECT_EQ(matrix->rowCount(), flexprod->rowCount() + 1); // and the totals
                }
                click(v, "cmdClose");
                return v.result();
            });
            click(w, "Command1");
            click(w, "cmdComposicion");
        }

        // A lower protein minimum and a dearer main ingredient, typed in place.
        auto* flexprop = find<QTableWidget>(w, "flexprop");
        const int protein = rowWith(flexprop, 1, "Proteína bruta");
        if (protein < 0) {
            ADD_FAILURE() << "no protein row";
            return int(QDialog::Rejected);
        }
        editCell(w, 1, "flexprop", protein, 3, "txtProp", s.proteinMin);
        EXPECT_EQ(flexprop->item(rowWith(flexprop, 1, "Proteína bruta"), 3)->text(),
                  QString::number(QString::fromLatin1(s.proteinMin).toDouble(), 'f', 2));
        editCell(w, 0, "flexprod", 0, 4, "txtPrecio", "0.2");
        EXPECT_EQ(flexprod->item(rowWith(flexprod, 1, s.topIngredient), 4)->text(), "$ 0.2000");

        click(w, "cmdFormular");
        EXPECT_EQ(noMessages(messages), "");
        EXPECT_NE(text(w, "txtCosH"), firstCost);
        EXPECT_EQ(text(w, "txt_cantidad"), "1000.00");
        const int reached = rowWith(flexprop, 1, "Proteína bruta");
        EXPECT_GE(flexprop->item(reached, 6)->text().toDouble() + 1e-9,
                  QString::fromLatin1(s.proteinMin).toDouble());
        const QStringList formulated = figures(w);

        // Saved as a new version of the same code.
        {
            widgets::ScopedModalRunner header([&](QDialog& h) {
                EXPECT_EQ(h.objectName(), "frmnueva_formula");
                showActive(h);
                EXPECT_EQ(text(h, "txtFields(0)"), code);
                auto* check = find<QCheckBox>(h, "Check1");
                EXPECT_TRUE(check->isEnabled());
                check->click();
                EXPECT_EQ(text(h, "txtFields(2)"), "1");
                click(h, "cmdUpdate");
                return h.result();
            });
            click(w, "cmdUpdate");
        }
        EXPECT_EQ(noMessages(messages), "");
        written = w.workspace().formulaId;
        EXPECT_NE(written, original);
        EXPECT_EQ(text(w, "txt_CodFormula"), code);
        EXPECT_EQ(text(w, "txt_VerFormula"), "1");
        // The window shows the formula as stored: the same figures.
        EXPECT_EQ(figures(w), formulated);
        saved = formulated;

        click(w, "cmdClose");
        return w.result();
    });
    click(list, "cmdEditar");
    EXPECT_EQ(opened, (QStringList{"frmAnalisis", "frmResultados"}));
    ASSERT_GT(written, 0);
    ASSERT_FALSE(saved.isEmpty());

    // The list shows the new version; opening it shows what was saved.
    int versionRow = -1;
    for (int r = 0; r < listed->rowCount(); ++r)
        if (listed->item(r, 1)->text().trimmed() == code && listed->item(r, 4)->text() == "1")
            versionRow = r;
    ASSERT_GE(versionRow, 0);
    EXPECT_EQ(list.rows().valueAt(versionRow, 0).toInt(), written);
    listed->setCurrentCell(versionRow, 1);
    int reopened = 0;
    widgets::ScopedModalRunner again([&](QDialog& d) {
        ++reopened;
        auto& w = static_cast<frmoptimizacion&>(d);
        showActive(w);
        EXPECT_EQ(w.workspace().formulaId, written);
        EXPECT_EQ(figures(w), saved);
        // Everything the run depends on was stored: formulating again finds the same mix.
        click(w, "cmdFormular");
        EXPECT_EQ(figures(w), saved);
        click(w, "cmdClose");
        return w.result();
    });
    click(list, "cmdEditar");
    EXPECT_EQ(reopened, 1);
    EXPECT_EQ(noMessages(messages), "");
}

TEST_P(FromTheFormulaList, FormulatesEditsSavesANewVersionAndReopensIt) {
    const Sample s = GetParam();
    app::menu main(store::Database::openFile(t.path()));
    int original = 0, written = 0, lists = 0;
    widgets::ScopedModalRunner user([&](QDialog& d) {
        ++lists;
        EXPECT_EQ(d.objectName(), "frmformulas");
        drive(static_cast<formulas::frmformulas&>(d), original, written);
        click(d, "cmdClose");
        return d.result();
    });
    auto* item = main.findChild<QAction*>("admformulas");
    ASSERT_TRUE(item && item->isEnabled());
    item->trigger();
    EXPECT_EQ(lists, 1);
    ASSERT_GT(written, 0);

    // The original version keeps its stored limit.
    store::RecordSet stored = t.db().query(
        "select fp.id_formula, fp.minimo from formula_propiedad fp, propiedades p where "
        "fp.id_propiedad=p.id_propiedad and p.nombre='Proteína bruta' and fp.id_formula in (" +
        QString::number(original) + "," + QString::number(written) + ") order by fp.id_formula");
    ASSERT_EQ(stored.count(), 2);
    EXPECT_NE(stored.valueAt(0, 1).toDouble(), QString::fromLatin1(s.proteinMin).toDouble());
    EXPECT_DOUBLE_EQ(stored.valueAt(1, 1).toDouble(), QString::fromLatin1(s.proteinMin).toDouble());
}

INSTANTIATE_TEST_SUITE_P(EachSample, FromTheFormulaList, ::testing::ValuesIn(kSamples),
                         [](const ::testing::TestParamInfo<Sample>& info) {
                             QString name = QString::fromLatin1(info.param.code);
                             return name.remove('-').toStdString();
                         });

TEST(FromAnEmptyWorkspace, BuildsAFormulaThroughThePickListsAndSavesIt) {
    TempDatabase t(true);
    ScriptedMessages messages;
    app::menu main(store::Database::openFile(t.path()));

    const QStringList ingredients{"Maíz amarillo grano", "Harina de soja 44%",
                                  "Carbonato de calcio"};
    const QStringList nutrients{"Proteína bruta", "Calcio"};
    QStringList picked;
    QStringList formulated;
    int written = 0;
    widgets::ScopedModalRunner user([&](QDialog& d) {
        EXPECT_EQ(d.objectName(), "frmoptimizacion");
        auto& w = static_cast<frmoptimizacion&>(d);
        showActive(w);
        EXPECT_EQ(w.workspace().formulaId, 0);
        EXPECT_EQ(find<QTableWidget>(w, "flexprod")->rowCount(), 0);

        // The pick lists, driven as the user does: select a row, "Aceptar".
        QStringList toPick = ingredients + nutrients;
        widgets::ScopedModalRunner lists([&](QDialog& list) {
            showActive(list);
            const QString name = toPick.takeFirst();
            picked << list.objectName() + ":" + name;
            if (list.objectName() == "frmproductos")
                return pickByName(list, 2, name);
            if (list.objectName() == "frmpropiedades")
                return pickByName(list, 1, name);
            ADD_FAILURE() << list.objectName().toStdString();
            return int(QDialog::Rejected);
        });
        for (int i = 0; i < 3; ++i)
            click(w, "Command3");
        for (int i = 0; i < 2; ++i)
            click(w, "Command4");
        auto* flexprod = find<QTableWidget>(w, "flexprod");
        auto* flexprop = find<QTableWidget>(w, "flexprop");
        EXPECT_EQ(flexprod->rowCount(), 3);
        EXPECT_EQ(flexprop->rowCount(), 2);
        EXPECT_EQ(noMessages(messages), "");

        // Protein at least 20 %, calcium between 0.9 and 1.2 %, at most 300 kg of soy.
        editCell(w, 1, "flexprop", rowWith(flexprop, 1, "Proteína bruta"), 3, "txtProp", "20");
        editCell(w, 1, "flexprop", rowWith(flexprop, 1, "Calcio"), 3, "txtProp", "0.9");
        editCell(w, 1, "flexprop", rowWith(flexprop, 1, "Calcio"), 4, "txtProp", "1.2");
        editCell(w, 0, "flexprod", rowWith(flexprod, 1, "Harina de soja 44%"), 7, "txtProd", "300");
        auto* cantidad = find<QLineEdit>(w, "txt_cantidad");
        cantidad->setFocus();
        QTest::keyClicks(cantidad, "1000");
        click(w, "cmdFormular");
        EXPECT_EQ(noMessages(messages), "");
        EXPECT_EQ(text(w, "txtCanS"), "1000.00"); // a new workspace works on dry matter
        EXPECT_EQ(text(w, "txtPorS"), "100.00");
        EXPECT_EQ(flexprop->item(rowWith(flexprop, 1, "Proteína bruta"), 6)->text(), "20.00");
        formulated = figures(w);

        widgets::ScopedModalRunner header([&](QDialog& h) {
            EXPECT_EQ(h.objectName(), "frmnueva_formula");
            showActive(h);
            EXPECT_FALSE(find<QCheckBox>(h, "Check1")->isEnabled());
            QTest::keyClicks(find<QLineEdit>(h, "txtFields(0)"), "POLLO-CASERO");
            QTest::keyClicks(find<QLineEdit>(h, "txtFields(1)"), "Pollo casero de campo");
            click(h, "cmdUpdate");
            return h.result();
        });
        click(w, "cmdUpdate");
        EXPECT_EQ(noMessages(messages), "");
        written = w.workspace().formulaId;
        EXPECT_EQ(text(w, "txt_CodFormula"), "POLLO-CASERO");
        // Reloaded from what was stored, the nutrients come back in name order.
        QStringList reloaded = figures(w);
        reloaded.sort();
        formulated.sort();
        EXPECT_EQ(reloaded, formulated);
        click(w, "cmdClose");
        return w.result();
    });
    auto* item = main.findChild<QAction*>("optimizacion");
    ASSERT_TRUE(item && item->isEnabled());
    item->trigger();
    EXPECT_EQ(picked,
              (QStringList{"frmproductos:Maíz amarillo grano", "frmproductos:Harina de soja 44%",
                           "frmproductos:Carbonato de calcio", "frmpropiedades:Proteína bruta",
                           "frmpropiedades:Calcio"}));
    ASSERT_GT(written, 0);

    // The rows as stored: the header, one row per ingredient with its share of the batch, one
    // per nutrient with its limits and the value reached.
    store::Database& db = t.db();
    const QString id = QString::number(written);
    store::RecordSet header = db.query(
        "select codigo, producto, version, cantidad, tipoBase from formulas where id_formula=" +
        id);
    ASSERT_EQ(header.count(), 1);
    EXPECT_EQ(header.toString("codigo"), "POLLO-CASERO");
    EXPECT_EQ(header.toString("producto"), "Pollo casero de campo");
    EXPECT_EQ(header.toDouble("version"), 0);
    EXPECT_EQ(header.toDouble("cantidad"), 1000);
    EXPECT_EQ(header.toInt("tipoBase"), 0); // dry matter

    store::RecordSet rows = db.query(
        "select p.nombre, fp.cantidad_seca, fp.porcentaje_seca, fp.maximo from formula_producto "
        "fp, productos p where fp.id_producto=p.id_producto and fp.id_formula=" +
        id + " order by p.nombre");
    ASSERT_EQ(rows.count(), 3);
    double batch = 0, shares = 0, soy = 0;
    QVariant soyMaximum;
    QStringList names;
    for (rows.moveFirst(); !rows.eof(); rows.moveNext()) {
        names << rows.toString("nombre").trimmed();
        if (names.last() == "Harina de soja 44%") {
            soy = rows.toDouble("cantidad_seca");
            soyMaximum = rows.value("maximo");
        }
        batch += rows.toDouble("cantidad_seca");
        shares += rows.toDouble("porcentaje_seca");
        // The grid showed this quantity.
        const QString shown = QString::number(rows.toDouble("cantidad_seca"), 'f', 2) + "|";
        EXPECT_TRUE(formulated.join('\n').contains(shown)) << shown.toStdString();
    }
    EXPECT_EQ(names,
              (QStringList{"Carbonato de calcio", "Harina de soja 44%", "Maíz amarillo grano"}));
    // The engine meets the batch to its feasibility tolerance; the grid shows 100.00.
    EXPECT_NEAR(batch, 1000, 1e-3);
    EXPECT_NEAR(shares, 1, 1e-6);
    EXPECT_DOUBLE_EQ(soyMaximum.toDouble(), 300);
    EXPECT_LE(soy, 300 + 1e-6);

    store::RecordSet limits = db.query(
        "select p.nombre, fp.minimo, fp.maximo, fp.valor from formula_propiedad fp, propiedades p "
        "where fp.id_propiedad=p.id_propiedad and fp.id_formula=" +
        id + " order by p.nombre");
    ASSERT_EQ(limits.count(), 2);
    EXPECT_EQ(limits.valueAt(0, 0).toString(), "Calcio");
    EXPECT_DOUBLE_EQ(limits.valueAt(0, 1).toDouble(), 0.9);
    EXPECT_DOUBLE_EQ(limits.valueAt(0, 2).toDouble(), 1.2);
    EXPECT_EQ(limits.valueAt(1, 0).toString(), "Proteína bruta");
    EXPECT_DOUBLE_EQ(limits.valueAt(1, 1).toDouble(), 20);
    EXPECT_TRUE(limits.valueAt(1, 2).isNull());
    EXPECT_NEAR(limits.valueAt(1, 3).toDouble(), 20, 1e-6);
}

// A user often types a price and clicks elsewhere without Enter: leaving the box takes the
// price, and the formulation clicked next counts it exactly as Enter would have.
TEST(TypedThenClicked, ClickingAwayTakesTheTypedPriceLikeEnter) {
    TempDatabase t(true);
    ScriptedMessages messages;
    ASSERT_EQ(
        t.db().query("select * from formulas where id_formula=1 and codigo='POLLO-INI'").count(),
        1);
    auto formulate = [&](bool pressEnter) -> QStringList {
        frmoptimizacion w(t.db(), 1);
        showActive(w);
        auto* flexprod = find<QTableWidget>(w, "flexprod");
        find<QTabWidget>(w, "SSTab1")->setCurrentIndex(0);
        flexprod->setFocus();
        flexprod->setCurrentCell(rowWith(flexprod, 1, "Sorgo grano bajo tanino"), 4);
        QTest::keyClick(flexprod, Qt::Key_Return);
        auto* txtPrecio = find<QLineEdit>(w, "txtPrecio");
        EXPECT_TRUE(txtPrecio->isVisible());
        txtPrecio->selectAll();
        QTest::keyClicks(txtPrecio, "0.2");
        if (pressEnter)
            QTest::keyClick(txtPrecio, Qt::Key_Return);
        auto* cantidad = find<QLineEdit>(w, "txt_cantidad");
        QTest::mouseClick(cantidad, Qt::LeftButton);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !txtPrecio->isVisible(); }));
        cantidad->selectAll();
        QTest::keyClicks(cantidad, "1000");
        // A person's click: the press moves the focus, the release comes after.
        auto* formular = find<QPushButton>(w, "cmdFormular");
        QTest::mousePress(formular, Qt::LeftButton);
        QCoreApplication::processEvents();
        QTest::mouseRelease(formular, Qt::LeftButton);
        EXPECT_EQ(flexprod->item(rowWith(flexprod, 1, "Sorgo grano bajo tanino"), 4)->text(),
                  "$ 0.2000");
        return figures(w);
    };
    const QStringList withEnter = formulate(true);
    EXPECT_TRUE(withEnter.contains("txt_cantidad=1000.00"));
    EXPECT_FALSE(withEnter.contains("txtCosH=$ 0.2749")); // the new price counted
    EXPECT_EQ(formulate(false), withEnter);
    EXPECT_EQ(noMessages(messages), "");
}

// The grids are sorted again by every formulation; an edit still open when that happens (a
// click whose press and release arrive together) must store its value on the row it was typed
// over, not on whatever row now lies at that position.
TEST(TypedThenClicked, AnEditEndedAfterTheGridIsSortedKeepsItsRow) {
    TempDatabase t(true);
    ScriptedMessages messages;
    frmoptimizacion w(t.db(), 1);
    showActive(w);
    find<QLineEdit>(w, "txt_cantidad")->setText("1000");
    auto* flexprod = find<QTableWidget>(w, "flexprod");
    const int sorgo = rowWith(flexprod, 1, "Sorgo grano bajo tanino");
    flexprod->setFocus();
    flexprod->setCurrentCell(sorgo, 4);
    QTest::keyClick(flexprod, Qt::Key_Return);
    auto* txtPrecio = find<QLineEdit>(w, "txtPrecio");
    ASSERT_TRUE(txtPrecio->isVisible());
    txtPrecio->selectAll();
    QTest::keyClicks(txtPrecio, "0.2");
    QTest::mouseClick(find<QPushButton>(w, "cmdFormular"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !txtPrecio->isVisible(); }));
    ASSERT_NE(rowWith(flexprod, 1, "Sorgo grano bajo tanino"), sorgo); // sorted by the run

    auto price = [&](const QString& name) {
        for (const workspace::FormulaIngredient& p : w.workspace().ingredients)
            if (p.nombre.trimmed() == name)
                return p.costoHumeda.value_or(0);
        return -1.0;
    };
    EXPECT_DOUBLE_EQ(price("Sorgo grano bajo tanino"), 0.2);
    const QString whatWasThere = flexprod->item(sorgo, 1)->text().trimmed();
    store::RecordSet catalogue =
        t.db().query("select costo from productos where trim(nombre)='" + whatWasThere + "'");
    catalogue.moveFirst();
    EXPECT_DOUBLE_EQ(price(whatWasThere), catalogue.toDouble("costo"))
        << whatWasThere.toStdString();
    EXPECT_EQ(flexprod->item(rowWith(flexprod, 1, "Sorgo grano bajo tanino"), 4)->text(),
              "$ 0.2000");
    EXPECT_EQ(noMessages(messages), "");
}
