#include "catalog/analysis_summary.h"
#include "catalog/lab_analyses.h"
#include "store/revisions.h"
#include "support/fault_sweep.h"
#include "support/temp_database.h"

#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

namespace {

catalog::AnalysisFile read(const QByteArray& content, QChar mark = u'.') {
    return catalog::readAnalyses(content, QStringLiteral("analisis.csv"), mark);
}

catalog::AnalysisPreview preview(store::Database& db, const QByteArray& content,
                                 QChar mark = u'.') {
    return catalog::previewAnalyses(db, read(content, mark), QStringLiteral("analisis.csv"));
}

// "line:reason" of each conflict.
QStringList conflicts(const catalog::AnalysisPreview& p) {
    QStringList out;
    for (const auto& c : p.conflicts)
        out << QString::number(c.line) + u':' + c.reason;
    return out;
}

QString snapshot(store::Database& db) {
    return queryRows(db, {"select * from producto_analisis order by id_analisis",
                          "select * from producto_propiedad order by id_producto,id_propiedad",
                          "select * from producto_propiedad_desvio order by 1,2",
                          "select * from producto_propiedad_historial order by 1,2,3",
                          "select * from revisiones order by tabla,id"});
}

// Stores the analyses of the file, which must have no conflict.
void keep(store::Database& db, const QByteArray& content) {
    const auto p = preview(db, content);
    ASSERT_TRUE(p.conflicts.empty()) << conflicts(p).join('\n').toStdString();
    catalog::insertAnalyses(db, p);
}

} // namespace

TEST(LabAnalysisFile, ReadsDatesNumbersAndRefusesFilesThatAreNotAnalyses) {
    const auto file = read("\xEF\xBB\xBF"
                           "Código;Propiedad;Fecha;Lote;Valor;nota\r\n"
                           "MAIZ;Proteína bruta;02/03/2026;L1;8,4;x\r\n"
                           "\r\n"
                           "MAIZ;\"Proteína; bruta\";2026-03-05;;8,6\r\n"
                           "MAIZ;Proteína bruta;31/02/2026;L2;8,1\r\n"
                           "MAIZ;Proteína bruta;05/03/2026;L3;8.1\r\n"
                           "MAIZ;;05/03/2026;L3;8\r\n"
                           "MAIZ;Proteína bruta;05/03/2026;L4;\"8\r\n",
                           u',');
    EXPECT_EQ(file.separator, u';');
    ASSERT_EQ(file.lines.size(), 6u);
    EXPECT_EQ(file.lines[0].fecha, QDate(2026, 3, 2));
    EXPECT_EQ(file.lines[0].valor, 8.4);
    EXPECT_EQ(file.lines[0].lote, "L1");
    EXPECT_EQ(file.lines[1].line, 4);
    EXPECT_EQ(file.lines[1].propiedad, "Proteína; bruta");
    EXPECT_EQ(file.lines[1].fecha, QDate(2026, 3, 5));
    EXPECT_TRUE(file.lines[1].problem.isEmpty());
    EXPECT_EQ(file.lines[2].problem,
              "la fecha «31/02/2026» no es una fecha (dd/mm/aaaa o aaaa-mm-dd)");
    EXPECT_EQ(file.lines[3].problem, "el valor «8.1» no es un número"); // "." with a comma mark
    EXPECT_EQ(file.lines[4].problem, "falta la propiedad");
    EXPECT_EQ(file.lines[5].problem, "comillas sin cerrar");

    const auto refusal = [](const QByteArray& content) {
        try {
            read(content);
        } catch (const catalog::LabAnalysisError& e) {
            return e.message();
        }
        return QString();
    };
    EXPECT_EQ(refusal(" \n\n"), "El archivo analisis.csv está vacío.");
    EXPECT_TRUE(refusal("codigo;propiedad;fecha;valor\nMAIZ;PB;02/03/2026;8\n")
                    .startsWith("El archivo analisis.csv no es un archivo de análisis"));
    EXPECT_TRUE(
        refusal(QByteArray("SQLite format 3\0\1", 18)).contains("no es un archivo de texto"));
}

TEST(LabAnalysisPreview, EveryKindOfConflictWithItsLine) {
    TempDatabase t(true);
    store::Database& db = t.db();
    // Two nutrients whose names differ only in capitals: the exact one is found, the other
    // spelling is ambiguous.
    db.exec("insert into propiedades (id_propiedad,nombre,unidad) values (901,'Colina','%')");
    db.exec("insert into propiedades (id_propiedad,nombre,unidad) values (902,'COLINA','%')");
    keep(db, "codigo;propiedad;fecha;lote;valor\nMAIZ;Proteína bruta;01/02/2026;A;8\n");

    const auto p = preview(db, "codigo;propiedad;fecha;lote;valor\n"
                               "MAIZ;proteína BRUTA;02/03/2026;L1;8.4\n"  // 2 stored
                               "NADA;Proteína bruta;02/03/2026;L1;8.4\n"  // 3 unknown code
                               "MAIZ;Vitamina Z;02/03/2026;L1;1\n"        // 4 unknown nutrient
                               "MAIZ;colina;02/03/2026;L1;0.2\n"          // 5 ambiguous
                               "MAIZ;Colina;02/03/2026;L1;0.2\n"          // 6 exact: stored
                               "MAIZ;Proteína bruta;2026-13-01;L1;8\n"    // 7 bad date
                               "MAIZ;Proteína bruta;03/03/2026;L1;ocho\n" // 8 bad number
                               "SOJA44;Proteína bruta;03/03/2026;X;44\n"  // 9 twice
                               "SOJA44;proteína bruta;2026-03-03;X;45\n"  // 10 twice
                               "SOJA44;Proteína bruta;03/03/2026;Y;44\n"  // 11 other lot
                               "MAIZ;Proteína bruta;2026-02-01;A;9\n");   // 12 already stored
    EXPECT_EQ(conflicts(p),
              QStringList({"3:el código no está en el catálogo",
                           "4:no hay ninguna propiedad llamada «Vitamina Z»",
                           "5:hay 2 propiedades llamadas «colina»: cambie el nombre de una",
                           "7:la fecha «2026-13-01» no es una fecha (dd/mm/aaaa o aaaa-mm-dd)",
                           "8:el valor «ocho» no es un número",
                           "9:el mismo análisis (ingrediente, propiedad, fecha y lote) está "
                           "también en la línea 10",
                           "10:el mismo análisis (ingrediente, propiedad, fecha y lote) está "
                           "también en la línea 9",
                           "12:el análisis (ingrediente, propiedad, fecha y lote) ya está "
                           "guardado"}));
    ASSERT_EQ(p.rows.size(), 3u);
    EXPECT_EQ(p.rows[0].line, 2);
    EXPECT_EQ(p.rows[0].propiedad, "Proteína bruta"); // as the catalogue writes it
    EXPECT_EQ(p.rows[1].idPropiedad, 901);
    EXPECT_EQ(p.rows[2].lote, "Y");
    EXPECT_EQ(p.lineCount, 11);
    EXPECT_EQ(catalog::analysesSummary(p),
              "3 análisis para guardar; 8 líneas con conflictos no se guardan.");
    EXPECT_EQ(catalog::analysisPreviewGrid(p).rowCount(), 3);
    EXPECT_EQ(catalog::analysisConflictGrid(p).rowCount(), 8);
}

TEST(LabAnalysisInsert, StoresEveryAnalysisUnderNewKeysOrNothing) {
    TempDatabase t(true);
    store::Database& db = t.db();
    keep(db, "codigo;propiedad;fecha;lote;valor\nTRIGO;Proteína bruta;01/01/2026;;11\n");
    const auto p = preview(db, "codigo;propiedad;fecha;lote;valor\n"
                               "MAIZ;Proteína bruta;02/03/2026;L1;8.4\n"
                               "MAIZ;Calcio;02/03/2026;L1;0.02\n"
                               "SOJA44;Proteína bruta;02/03/2026;;44.5\n");
    ASSERT_TRUE(p.conflicts.empty());
    const int statements = failAtEveryStatement(
        db, [&] { return snapshot(db); }, [&] { EXPECT_EQ(catalog::insertAnalyses(db, p), 3); });
    EXPECT_GT(statements, 3);

    const auto stored = catalog::storedAnalyses(db);
    ASSERT_EQ(stored.size(), 4u);
    QList<int> keys;
    for (const auto& a : stored)
        keys << a.idAnalisis;
    std::sort(keys.begin(), keys.end());
    EXPECT_EQ(keys, QList<int>({1, 2, 3, 4}));
    EXPECT_EQ(stored.front().fecha, QDate(2026, 3, 2)); // newest first
    EXPECT_EQ(catalog::storedAnalyses(db, 1).size(), 2u);
    EXPECT_EQ(catalog::analysedIngredients(db).size(), 3u);

    // The same preview again: its analyses are stored now, so nothing is written.
    const QString after = snapshot(db);
    EXPECT_THROW(catalog::insertAnalyses(db, p), store::StaleRowError);
    EXPECT_EQ(snapshot(db), after);
}

TEST(AnalysisSummary, MeanAndSampleDeviationOfThePeriodFromThreeAnalyses) {
    TempDatabase t(true);
    store::Database& db = t.db();
    keep(db, "codigo;propiedad;fecha;lote;valor\n"
             "MAIZ;Proteína bruta;31/12/2025;A;20\n" // the day before the period
             "MAIZ;Proteína bruta;01/01/2026;B;8\n"  // its first day
             "MAIZ;Proteína bruta;15/01/2026;C;9\n"
             "MAIZ;Proteína bruta;31/01/2026;D;10.5\n" // its last day
             "MAIZ;Proteína bruta;01/02/2026;E;30\n"   // the day after
             "MAIZ;Calcio;10/01/2026;A;0.02\n"         // two only
             "MAIZ;Calcio;11/01/2026;A;0.03\n"
             "SOJA44;Proteína bruta;05/01/2026;A;44\n"
             "SOJA44;Proteína bruta;06/01/2026;A;45\n"
             "SOJA44;Proteína bruta;07/01/2026;A;46\n"
             "SOJA44;Proteína bruta;08/01/2026;A;45\n");
    const auto rows = catalog::summarizeAnalyses(db, QDate(2026, 1, 1), QDate(2026, 1, 31));
    ASSERT_EQ(rows.size(), 2u); // by ingredient name: "Harina de soja 44%" before "Maíz"
    const auto& soja = rows[0];
    EXPECT_EQ(soja.codigo, "SOJA44");
    EXPECT_EQ(soja.count, 4);
    EXPECT_DOUBLE_EQ(soja.mean, 45.0);
    EXPECT_DOUBLE_EQ(soja.sd, std::sqrt(2.0 / 3.0)); // squares 1+0+1+0 over 3
    const auto& maiz = rows[1];
    EXPECT_EQ(maiz.count, 3);
    EXPECT_DOUBLE_EQ(maiz.mean, 27.5 / 3);
    EXPECT_NEAR(maiz.sd, 1.2583057392117916, 1e-15); // squares 1.36111 + 0.02778 + 1.77778 over 2
    EXPECT_TRUE(maiz.today.valor);
    EXPECT_FALSE(maiz.today.desvio);
    EXPECT_EQ(catalog::analysisSummaryGrid(rows).rowCount(), 2);
    // A period of one day holds fewer than three analyses of any pair.
    EXPECT_TRUE(catalog::summarizeAnalyses(db, QDate(2026, 1, 31), QDate(2026, 1, 31)).empty());
}

TEST(AnalysisSummary, ApplyWritesValuesDeviationsHistoryAndCountersOrNothing) {
    TempDatabase t(true);
    store::Database& db = t.db();
    // The maize has no sodium value; its crude protein has a deviation already.
    db.exec("delete from producto_propiedad where id_producto=1 and id_propiedad=12");
    db.exec("insert into producto_propiedad_desvio (id_producto,id_propiedad,desvio) "
            "values (1,1,0.7)");
    keep(db, "codigo;propiedad;fecha;lote;valor\n"
             "MAIZ;Proteína bruta;01/01/2026;A;8\n"
             "MAIZ;Proteína bruta;02/01/2026;A;9\n"
             "MAIZ;Proteína bruta;03/01/2026;A;10\n"
             "MAIZ;Sodio;01/01/2026;A;0.01\n"
             "MAIZ;Sodio;02/01/2026;A;0.02\n"
             "MAIZ;Sodio;03/01/2026;A;0.03\n");
    const auto rows = catalog::summarizeAnalyses(db, QDate(2026, 1, 1), QDate(2026, 1, 31));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].propiedad, "Proteína bruta");
    EXPECT_EQ(rows[0].today.desvio, 0.7);
    EXPECT_FALSE(rows[1].today.valor); // sodium
    const int revision = store::readRevision(db, "productos", 1);
    const QDateTime when(QDate(2026, 2, 1), QTime(9, 0));

    const int statements = failAtEveryStatement(
        db, [&] { return snapshot(db); },
        [&] { EXPECT_EQ(catalog::applyAnalysisSummary(db, rows, when), 2); });
    EXPECT_GT(statements, 8);
    EXPECT_EQ(catalog::storedComposition(db, 1, 1), (catalog::StoredComposition{9.0, 1.0}));
    const auto sodio = catalog::storedComposition(db, 1, 12);
    ASSERT_TRUE(sodio.valor && sodio.desvio);
    EXPECT_DOUBLE_EQ(*sodio.valor, 0.02);
    EXPECT_DOUBLE_EQ(*sodio.desvio, 0.01);
    const auto history = catalog::lastCompositions(db, 1, 1);
    ASSERT_EQ(history.size(), 2u); // the values replaced, then the analyses'
    EXPECT_EQ(history[0].origen, catalog::kOrigenAnalisis);
    EXPECT_EQ(history[0].values, (catalog::StoredComposition{9.0, 1.0}));
    EXPECT_EQ(history[1].values.desvio, 0.7);
    EXPECT_EQ(catalog::lastCompositions(db, 1, 12).size(), 1u);       // nothing stood before
    EXPECT_EQ(store::readRevision(db, "productos", 1), revision + 1); // once per ingredient

    // The same summary again: the values it read are gone, so nothing is written.
    const QString applied = snapshot(db);
    EXPECT_THROW(catalog::applyAnalysisSummary(db, rows), store::StaleRowError);
    EXPECT_EQ(snapshot(db), applied);
    // Made again, the summary changes nothing.
    const auto again = catalog::summarizeAnalyses(db, QDate(2026, 1, 1), QDate(2026, 1, 31));
    EXPECT_FALSE(again[0].changes() || again[1].changes());
    EXPECT_EQ(catalog::applyAnalysisSummary(db, again), 0);
    EXPECT_EQ(snapshot(db), applied);
}
