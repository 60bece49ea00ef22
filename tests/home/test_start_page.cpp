#include "home/start_page.h"
#include "optimizer/sample_formulas.h"
#include "store/database.h"
#include "store/server_address.h"
#include "store/sql_text.h"
#include "support/temp_database.h"
#include "support/test_server.h"

#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

// The sample book stored formulated at today's catalogue, as a new sample database opens.
struct SampleBook {
    TempDatabase t{true};
    SampleBook() { optimizer::formulateSampleFormulas(t.db()); }
    store::Database& db() { return t.db(); }
    int count(const QString& sql) { return db().query(sql).value(0).toInt(); }
    int formulaOf(const QString& code) {
        return count("select min(id_formula) from formulas where codigo='" + code + "'");
    }
    // A new version of the formula, stored on `date` with the same rows but the catalogue's
    // cost and dry matter of today, as a re-formulation saves one.
    int newVersion(int idFormula, const QDate& date) {
        const int id = count("select max(id_formula) from formulas") + 1;
        db().exec(QString("insert into formulas (id_formula,codigo,producto,cantidad,version,"
                          "fecha_creacion,fecha_modificacion,tipoBase,tipoBaseNutrientes) select "
                          "%1,codigo,producto,cantidad,version+1,fecha_creacion,%2,tipoBase,"
                          "tipoBaseNutrientes from formulas where id_formula=%3")
                      .arg(id)
                      .arg(sql::date(date))
                      .arg(idFormula));
        db().exec(QString("insert into formula_producto (id_formula,id_producto,minimo,maximo,"
                          "costo,materia_seca,porcentaje_humeda,porcentaje_seca,cantidad_humeda,"
                          "cantidad_seca) select %1,fp.id_producto,fp.minimo,fp.maximo,p.costo,"
                          "p.materia_seca,fp.porcentaje_humeda,fp.porcentaje_seca,"
                          "fp.cantidad_humeda,fp.cantidad_seca from formula_producto fp, "
                          "productos p where fp.id_producto=p.id_producto and fp.id_formula=%2")
                      .arg(id)
                      .arg(idFormula));
        return id;
    }
};

QStringList codes(const std::vector<home::RecentFormula>& recent) {
    QStringList out;
    for (const home::RecentFormula& f : recent)
        out << f.codigo + " v" + QString::number(f.version);
    return out;
}

} // namespace

// The recent list holds the highest version of each code, newest change first (on one day the
// one stored last), and the counts follow what is stored.
TEST(StartPage, RecentFormulasAreTheBookNewestFirstAndTheCountsFollowTheDatabase) {
    SampleBook s;
    home::StartPage page = home::readStartPage(s.db());
    EXPECT_EQ(page.counts.ingredientes, 21);
    EXPECT_EQ(page.counts.nutrientes, 12);
    EXPECT_EQ(page.counts.formulas, 4);
    EXPECT_EQ(page.counts.versiones, 4);
    EXPECT_EQ(page.counts.planes, s.count("select count(*) from planes"));
    EXPECT_GT(page.counts.planes, 0);
    ASSERT_EQ(page.recent.size(), 4u);
    for (size_t i = 1; i < page.recent.size(); ++i) // one day: the one stored last first
        EXPECT_GT(page.recent[i - 1].idFormula, page.recent[i].idFormula);
    EXPECT_EQ(page.recent[0].fechaModificacion, QDate::currentDate());

    const int pollo = s.formulaOf("POLLO-INI");
    const int ponedora = s.formulaOf("PONEDORA");
    s.db().exec("update formulas set fecha_modificacion=" + sql::date(QDate(2999, 1, 2)) +
                " where id_formula=" + QString::number(ponedora));
    s.db().exec("update formulas set fecha_modificacion=Null where id_formula=" +
                QString::number(pollo));
    const int newPollo = s.newVersion(pollo, QDate(2998, 5, 6));
    page = home::readStartPage(s.db(), 3);
    ASSERT_EQ(page.recent.size(), 3u);
    EXPECT_EQ(codes(page.recent).mid(0, 2), (QStringList{"PONEDORA v0", "POLLO-INI v1"}));
    EXPECT_EQ(page.recent[1].idFormula, newPollo);
    EXPECT_EQ(page.recent[1].fechaModificacion, QDate(2998, 5, 6));
    EXPECT_EQ(page.counts.formulas, 4);
    EXPECT_EQ(page.counts.versiones, 5);

    const grid::GridContent g = home::recentGrid(page.recent);
    ASSERT_EQ(g.rowCount(), 3);
    EXPECT_EQ(g.cell(0, 0).text, "PONEDORA");
    EXPECT_EQ(g.cell(0, 3).text, "02/01/2999");
    EXPECT_EQ(g.cell(1, 2).text, "1");

    // A formula without a date comes last; an empty book says where formulas are made.
    s.db().exec("delete from formulas where id_formula<>" + QString::number(ponedora));
    s.db().exec("update formulas set fecha_modificacion=Null");
    page = home::readStartPage(s.db());
    ASSERT_EQ(page.recent.size(), 1u);
    EXPECT_FALSE(page.recent[0].fechaModificacion.isValid());
    EXPECT_EQ(home::recentGrid(page.recent).cell(0, 3).text, "");
}

// A cost changed in the catalogue puts every formula of the book that holds the old one in the
// "changed prices" part, with the ingredient, its cost today and the date of its latest change;
// an older version does not count, nor a formula saved again at today's costs.
TEST(StartPage, PriceChangesNameTheFormulasOfTheBookThatHoldAnotherCost) {
    SampleBook s;
    home::PriceChanges prices = home::readStartPage(s.db()).prices;
    EXPECT_EQ(prices.formulasLibro, 4);
    EXPECT_EQ(prices.formulas, 0);
    EXPECT_TRUE(prices.ingredientes.empty());
    EXPECT_EQ(home::priceSummary(prices),
              "Todas las fórmulas tienen los costos y la materia seca de hoy.");
    EXPECT_EQ(home::changedIngredientsGrid(prices).rowCount(), 0);

    const int maize = s.count("select id_producto from productos where trim(codigo)='MAIZ'");
    const QString usingMaize = "select count(distinct id_formula) from formula_producto where "
                               "id_producto=" +
                               QString::number(maize);
    const int withMaize = s.count(usingMaize);
    ASSERT_GE(withMaize, 2);
    s.db().exec("update productos set costo=0.2249 where id_producto=" + QString::number(maize));
    s.db().exec("insert into precio_historial (id_producto,fecha,costo,materia_seca,origen) "
                "values (" +
                QString::number(maize) + "," +
                sql::dateTime(QDateTime(QDate(2026, 3, 2), QTime(10, 15))) +
                ",0.2249,89,'edición')");
    s.db().exec("insert into precio_historial (id_producto,fecha,costo,materia_seca,origen) "
                "values (" +
                QString::number(maize) + "," +
                sql::dateTime(QDateTime(QDate(2025, 1, 1), QTime(8, 0))) + ",0.2,89,'edición')");
    // Dry matter counts too: the cost per unit of dry matter moves with it.
    s.db().exec("update productos set materia_seca=materia_seca+1 where trim(codigo)='SOJA44'");

    prices = home::readStartPage(s.db()).prices;
    const int withSoy = s.count("select count(distinct id_formula) from formula_producto fp, "
                                "productos p where fp.id_producto=p.id_producto and "
                                "trim(p.codigo)='SOJA44'");
    const int either = s.count("select count(distinct id_formula) from formula_producto fp, "
                               "productos p where fp.id_producto=p.id_producto and "
                               "trim(p.codigo) in ('MAIZ','SOJA44')");
    EXPECT_EQ(prices.formulas, either);
    ASSERT_EQ(prices.ingredientes.size(), 2u);
    const home::ChangedIngredient& first = prices.ingredientes[0];
    const home::ChangedIngredient& second = prices.ingredientes[1];
    const home::ChangedIngredient& m = first.idProducto == maize ? first : second;
    EXPECT_EQ(m.nombre, "Maíz amarillo grano");
    EXPECT_EQ(m.formulas, withMaize);
    ASSERT_TRUE(m.costoHoy);
    EXPECT_DOUBLE_EQ(*m.costoHoy, 0.2249);
    ASSERT_TRUE(m.ultimoCambio);
    EXPECT_EQ(m.ultimoCambio->date(), QDate(2026, 3, 2));
    EXPECT_GE(first.formulas, second.formulas);
    EXPECT_EQ((first.idProducto == maize ? second : first).formulas, withSoy);
    ASSERT_TRUE(prices.ultimoCambio);
    EXPECT_EQ(prices.ultimoCambio->date(), QDate(2026, 3, 2));
    EXPECT_EQ(home::priceSummary(prices),
              QString("%1 de 4 fórmulas tienen costos o materia seca distintos de los de hoy (2 "
                      "ingredientes). Último cambio de precio: 02/03/2026.")
                  .arg(either));
    const grid::GridContent g = home::changedIngredientsGrid(prices);
    ASSERT_EQ(g.rowCount(), 2);
    const int maizeRow = first.idProducto == maize ? 0 : 1;
    EXPECT_EQ(g.cell(maizeRow, 1).text, "0.2249");
    EXPECT_EQ(g.cell(maizeRow, 3).text, "02/03/2026");

    // Each formula with maize saved again at today's costs: it leaves the part, and its older
    // version, which still holds the old cost, is no longer in the book.
    s.db().exec("update productos set materia_seca=materia_seca-1 where trim(codigo)='SOJA44'");
    std::vector<int> ids;
    s.db().forEachRow("select distinct id_formula from formula_producto where id_producto=" +
                          QString::number(maize),
                      {}, [&](const store::Database::Row& r) { ids.push_back(r[0].toInt()); });
    for (size_t i = 0; i + 1 < ids.size(); ++i)
        s.newVersion(ids[i], QDate(2026, 3, 3));
    prices = home::readStartPage(s.db()).prices;
    EXPECT_EQ(prices.formulasLibro, 4);
    EXPECT_EQ(prices.formulas, 1);
    ASSERT_EQ(prices.ingredientes.size(), 1u);
    EXPECT_EQ(prices.ingredientes[0].formulas, 1);

    // A cost removed from the catalogue is a change as well.
    s.db().exec("update productos set costo=Null where id_producto=" + QString::number(maize));
    EXPECT_EQ(home::readStartPage(s.db()).prices.formulas, withMaize);
}

// The page names the file, or the server, its database and the user; never a password.
TEST(StartPage, TheDatabaseIsNamedByItsFileOrItsServerAndUser) {
    TempDatabase t;
    const home::DatabaseDescription d = home::describeDatabase(t.db());
    if (testsOnServer()) {
        const store::ServerAddress a = store::parseServerAddress(t.path());
        EXPECT_TRUE(d.server);
        EXPECT_EQ(d.user, a.user);
        EXPECT_EQ(d.database, a.database);
        EXPECT_EQ(d.host, a.host);
        EXPECT_TRUE(d.statusText().contains("Usuario: " + a.user)) << d.statusText().toStdString();
        EXPECT_TRUE(d.windowTitle().startsWith("Dosivant — " + a.database + " en "));
    } else {
        EXPECT_FALSE(d.server);
        EXPECT_EQ(d.path, QFileInfo(t.path()).absoluteFilePath());
        EXPECT_EQ(d.statusText(), "Archivo: " + d.path);
        EXPECT_EQ(d.windowTitle(), "Dosivant — " + d.path);
    }
    home::DatabaseDescription server{true, {}, "servidor", 5433, "piensos", "ana"};
    EXPECT_EQ(server.statusText(), "Servidor: servidor:5433 · Base: piensos · Usuario: ana");
    EXPECT_EQ(server.windowTitle(), "Dosivant — piensos en servidor:5433 (ana)");
    EXPECT_EQ(home::countLines({5000, 300, 1, 1, 0}),
              (QStringList{"Ingredientes: 5000", "Nutrientes: 300", "Fórmulas: 1 (1 versión)",
                           "Planes de producción: 0"}));
}
