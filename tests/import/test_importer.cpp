#include "catalog/ingredients.h"
#include "catalog/nutrients.h"
#include "catalog/price_history.h"
#include "import/import_statements.h"
#include "import/importer.h"
#include "import/remote_source.h"
#include "import_fixture.h"
#include "store/revisions.h"
#include "support/qt_printers.h"
#include "support/temp_database.h"
#include "support/test_server.h"

#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

using import::ImportCallbacks;
using import::ImportOutcome;

namespace {

// What the callbacks saw.
struct Seen {
    QStringList progress;
    QStringList log;
    int cancelAfterRows = -1; // rows let through before a cancel is requested
    int asked = 0;

    ImportCallbacks callbacks(int batchRows = 5000) {
        ImportCallbacks cb;
        cb.progressIntervalMs = 0;
        cb.batchRows = batchRows;
        cb.compositionBatchRows = batchRows;
        cb.progress = [this](const QString& text, int done, int total) {
            progress << (text.isEmpty() ? QString()
                                        : text + QStringLiteral(" [%1/%2]").arg(done).arg(total));
        };
        cb.conflict = [this](const QString& line) { log << line; };
        cb.cancelRequested = [this] { return cancelAfterRows >= 0 && asked++ >= cancelAfterRows; };
        return cb;
    }
};

// Local: two ingredients, two nutrients, four values. Remote: ingredient 1 refreshed,
// ingredient 2 renamed (conflict), ingredient 40 new; nutrient 1 the same, nutrient 2 renamed
// (conflict), nutrient 3 new; values touching all of them.
void fillBothSides(store::Database& local, store::Database& remote) {
    addIngredient(local, 1, "M1", "Maíz", "kg", 10, 88);
    addIngredient(local, 2, "S1", "Soja", "kg", 20, 90);
    addNutrient(local, 1, "Proteína", "%");
    addNutrient(local, 2, "Energía", "Mcal");
    addValue(local, 1, 1, 8.5);
    addValue(local, 2, 1, 44);
    addValue(local, 1, 2, 3.3);
    addValue(local, 2, 2, 2.9);

    addIngredient(remote, 1, "M1", "Maíz", "tn", 12.5, 87);
    addIngredient(remote, 2, "S1", "Soja 44", "kg", 25, 91);
    addIngredient(remote, 40, "O'B", "Harina \"O'Brien\" ñandú", "kg", 7, 0);
    addNutrient(remote, 1, "Proteína", "g/kg");
    addNutrient(remote, 2, "Energía metabolizable", "Mcal");
    addNutrient(remote, 3, "Lisina", "%");
    addValue(remote, 1, 1, 0);   // a remote 0 overwrites 8.5
    addValue(remote, 2, 1, 45);  // conflicting ingredient: excluded
    addValue(remote, 1, 2, 9);   // conflicting nutrient: excluded
    addValue(remote, 40, 1, 30); // new
    addValue(remote, 40, 3, 1.25);
    addValue(remote, 1, 3, 0.25);
}

} // namespace

TEST(ImportStatements, CompositionQueryTextsKeepTheirBlanks) {
    using import::statements::remoteCompositions;
    EXPECT_EQ(remoteCompositions({4, 9}, {12}),
              "select id_producto,id_propiedad,valor from producto_propiedad where id_producto "
              "not in(4,9)  and id_propiedad not in(12)  ORDER BY id_propiedad");
    EXPECT_EQ(
        remoteCompositions({}, {}),
        "select id_producto,id_propiedad,valor from producto_propiedad ORDER BY id_propiedad");
    EXPECT_EQ(remoteCompositions({}, {3, 5}),
              "select id_producto,id_propiedad,valor from producto_propiedad where id_propiedad "
              "not in(3,5)  ORDER BY id_propiedad");
    EXPECT_EQ(remoteCompositions({7}, {}),
              "select id_producto,id_propiedad,valor from producto_propiedad where id_producto "
              "not in(7)  ORDER BY id_propiedad");
    EXPECT_EQ(import::statements::insertComposition(3, 4, "0"),
              "INSERT INTO producto_propiedad (id_producto,id_propiedad,valor) VALUES (3,4,0)");
    EXPECT_EQ(import::statements::updateComposition(3, 4, "1.5"),
              "UPDATE producto_propiedad set valor=1.5 where id_producto=3 and id_propiedad=4");
    EXPECT_EQ(import::statements::localIngredient(8),
              "select id_producto,codigo,nombre,unidad,costo,materia_seca from productos where "
              "id_producto=8");
}

// The per-row statements run prepared; with their values bound they are the defined texts.
TEST(ImportStatements, PreparedFormsReadAsTheDefinedTexts) {
    namespace st = import::statements;
    TempDatabase local;
    const auto bound = [&](const QString& sql, const QVariantList& values) {
        store::PreparedStatement s = local.db().prepare(sql);
        for (int i = 0; i < values.size(); ++i)
            s.bind(i + 1, values[i]);
        return s.boundText();
    };
    EXPECT_EQ(bound(st::kInsertComposition, {3, 4, 1.5}), st::insertComposition(3, 4, "1.5"));
    EXPECT_EQ(bound(st::kUpdateComposition, {0.25, 3, 4}), st::updateComposition(3, 4, "0.25"));
    EXPECT_EQ(bound(st::kLocalIngredient, {8}), st::localIngredient(8));
    EXPECT_EQ(bound(st::kLocalNutrient, {8}), st::localNutrient(8));
    EXPECT_EQ(bound(st::kInsertIngredient, {5, "   A1", "L'isina", "kg", 2.5, 88.0}),
              st::insertIngredient(5, "'   A1'", "'L''isina'", "'kg'", "2.5", "88.0"));
    EXPECT_EQ(bound(st::kUpdateIngredient, {"kg", 2.5, 0.5, 5}),
              st::updateIngredient(5, "'kg'", "2.5", "0.5"));
    EXPECT_EQ(bound(st::kInsertNutrient, {2, "Proteína", "%"}),
              st::insertNutrient(2, "'Proteína'", "'%'"));
    EXPECT_EQ(bound(st::kUpdateNutrient, {"%", 2}), st::updateNutrient(2, "'%'"));
}

TEST(Importer, AddsRefreshesAndLogsConflictsLeavingTheirValuesAlone) {
    TempDatabase local;
    RemoteDatabase remote;
    fillBothSides(local.db(), remote.db());
    Seen seen;
    const auto result = import::runImport(local.db(), remote.connectionText(), seen.callbacks());
    EXPECT_EQ(result.outcome, ImportOutcome::Finished);
    EXPECT_EQ(import::outcomeMessage(result), "Proceso de Importación Finalizado.");

    EXPECT_EQ(seen.log,
              QStringList({"Ingrediente S1 - Soja 44", "Nutriente Energía metabolizable"}));
    EXPECT_EQ(dump(local.db(), "productos", "id_producto"),
              QStringList({"1|                  M1|Maíz|tn|12.5|87",
                           "2|                  S1|Soja|kg|20|90",
                           "40|                 O'B|Harina \"O'Brien\" ñandú|kg|7|0"}));
    EXPECT_EQ(dump(local.db(), "propiedades", "id_propiedad"),
              QStringList({"1|Proteína|g/kg", "2|Energía|Mcal", "3|Lisina|%"}));
    EXPECT_EQ(
        dump(local.db(), "producto_propiedad", "id_propiedad,id_producto"),
        QStringList({"1|1|0", "2|1|44", "40|1|30", "1|2|3.3", "2|2|2.9", "1|3|0.25", "40|3|1.25"}));
    EXPECT_EQ(result.ingredientsAdded, 1);
    EXPECT_EQ(result.ingredientsRefreshed, 1);
    EXPECT_EQ(result.compositionsAdded, 3);
    EXPECT_EQ(result.compositionsRefreshed, 1);
    // Key allocation continues above the imported key.
    EXPECT_EQ(local.db().nextKey("productos", "id_producto"), 41);

    EXPECT_EQ(
        seen.progress,
        QStringList(
            {"Ingrediente 1 de 3 [1/3]", "Ingrediente 2 de 3 [2/3]", "Ingrediente 3 de 3 [3/3]", "",
             "Nutrientes 1 de 3 [1/3]", "Nutrientes 2 de 3 [2/3]", "Nutrientes 3 de 3 [3/3]", "",
             "Ingredientes/Nutrientes 1 de 4 [1/4]", "Ingredientes/Nutrientes 2 de 4 [2/4]",
             "Ingredientes/Nutrientes 3 de 4 [3/4]", "Ingredientes/Nutrientes 4 de 4 [4/4]", ""}));

    // The same source again changes nothing and reports the same conflicts.
    const QStringList before = dumpAll(local.db());
    Seen again;
    const auto second = import::runImport(local.db(), remote.connectionText(), again.callbacks());
    EXPECT_EQ(second.outcome, ImportOutcome::Finished);
    EXPECT_EQ(second.compositionsAdded + second.compositionsRefreshed, 0); // nothing rewritten
    EXPECT_EQ(dumpAll(local.db()), before);
    EXPECT_EQ(again.log, seen.log);
}

TEST(Importer, ValuesThatCannotBeWrittenAreConflictsNotZeros) {
    TempDatabase local;
    RemoteDatabase remote;
    addIngredient(local.db(), 1, "A", "Avena", "kg", 5, 88);
    addNutrient(remote.db(), 1, "Proteína", "%");
    // Text in costo, a code too long, a code that another key has, a code missing.
    remote.db().exec(
        "INSERT INTO productos VALUES (2,'                   B','Cebada','kg','caro',88)");
    remote.db().exec("INSERT INTO productos VALUES (3,'123456789012345678901','Largo','kg',1,1)");
    remote.db().exec("INSERT INTO productos VALUES (4,'A','Otra avena','kg',1,1)");
    remote.db().exec("INSERT INTO productos VALUES (5,'','Sin código','kg',1,1)");
    remote.db().exec("INSERT INTO productos VALUES (6,'F','Fino','kg',Null,Null)");
    addValue(remote.db(), 2, 1, 1);
    addValue(remote.db(), 4, 1, 1);
    addValue(remote.db(), 6, 1, 3);
    remote.db().exec("INSERT INTO producto_propiedad VALUES (6,2,5)"); // nutrient nowhere
    remote.db().exec(
        "UPDATE producto_propiedad set valor='mucho' where id_producto=6 and id_propiedad=1");

    Seen seen;
    const auto result = import::runImport(local.db(), remote.connectionText(), seen.callbacks());
    EXPECT_EQ(result.outcome, ImportOutcome::Finished);
    EXPECT_EQ(
        seen.log,
        QStringList({"Ingrediente B - Cebada (el costo no es un número)",
                     "Ingrediente 123456789012345678901 - Largo (código de más de 20 caracteres)",
                     "Ingrediente A - Otra avena (el código ya existe con otra clave)",
                     "Ingrediente  - Sin código (sin código)",
                     "Composición del ingrediente 6 en el nutriente 1 (el valor no es un número)",
                     "Composición del ingrediente 6 en el nutriente 2 (falta el ingrediente o el "
                     "nutriente)"}));
    // Null numbers stay Null; the refused ingredients and all their values are not written.
    EXPECT_EQ(dump(local.db(), "productos", "id_producto"),
              QStringList({"1|                   A|Avena|kg|5|88",
                           "6|                   F|Fino|kg|Null|Null"}));
    EXPECT_TRUE(dump(local.db(), "producto_propiedad", "id_producto").isEmpty());
}

TEST(Importer, EmptyRemoteTablesSkipTheirPhasesQuietly) {
    TempDatabase local(true);
    RemoteDatabase remote;
    const QStringList before = dumpAll(local.db());
    Seen seen;
    const auto result = import::runImport(local.db(), remote.connectionText(), seen.callbacks());
    EXPECT_EQ(result.outcome, ImportOutcome::Finished);
    EXPECT_TRUE(seen.progress.isEmpty());
    EXPECT_TRUE(seen.log.isEmpty());
    EXPECT_EQ(dumpAll(local.db()), before);
}

TEST(Importer, CancelKeepsTheRowsFinishedBeforeIt) {
    TempDatabase local;
    RemoteDatabase remote;
    for (int i = 1; i <= 7; ++i)
        addIngredient(remote.db(), i, QString::number(i), "Ing " + QString::number(i), "kg", i, 90);
    addNutrient(remote.db(), 1, "Proteína", "%");
    for (int i = 1; i <= 7; ++i)
        addValue(remote.db(), i, 1, i);

    Seen seen;
    seen.cancelAfterRows = 5; // in batches of 3: one committed batch, then two rows
    auto result = import::runImport(local.db(), remote.connectionText(), seen.callbacks(3));
    EXPECT_EQ(result.outcome, ImportOutcome::Cancelled);
    EXPECT_EQ(import::outcomeMessage(result), "Debera repetir la importación");
    EXPECT_EQ(dump(local.db(), "productos", "id_producto").size(), 5);
    EXPECT_TRUE(dump(local.db(), "propiedades", "id_propiedad").isEmpty());

    // A cancel among the compositions keeps both catalogues and the values done.
    Seen later;
    later.cancelAfterRows = 7 + 1 + 4;
    result = import::runImport(local.db(), remote.connectionText(), later.callbacks(3));
    EXPECT_EQ(result.outcome, ImportOutcome::Cancelled);
    EXPECT_EQ(dump(local.db(), "productos", "id_producto").size(), 7);
    EXPECT_EQ(dump(local.db(), "propiedades", "id_propiedad").size(), 1);
    EXPECT_EQ(dump(local.db(), "producto_propiedad", "id_producto"),
              QStringList({"1|1|1", "2|1|2", "3|1|3", "4|1|4"}));
}

TEST(Importer, AFailureRollsBackItsBatchOnlyAndStops) {
    TempDatabase local;
    RemoteDatabase remote;
    for (int i = 1; i <= 7; ++i)
        addIngredient(remote.db(), i, QString::number(i), "Ing " + QString::number(i), "kg", i, 90);
    addNutrient(remote.db(), 1, "Proteína", "%");
    addValue(remote.db(), 1, 1, 1);

    // Statements: the page-cache setting read and set (a server refuses the read, so nothing is
    // set), the code list, then a look-up, a write and its price history per row. Row 5's write
    // comes 15th after the settings.
    local.db().failStatementAfter(15 + (local.db().isServer() ? 1 : 2));
    Seen seen;
    const auto result = import::runImport(local.db(), remote.connectionText(), seen.callbacks(3));
    EXPECT_EQ(result.outcome, ImportOutcome::Failed);
    EXPECT_EQ(import::outcomeStyle(result), 16);
    EXPECT_TRUE(import::outcomeMessage(result).startsWith(
        "No se pudo completar la importación de los ingredientes en la fila 5 de 7: "))
        << import::outcomeMessage(result).toStdString();
    EXPECT_EQ(dump(local.db(), "productos", "id_producto").size(), 3); // the first batch
    EXPECT_EQ(dump(local.db(), "precio_historial", "id_producto").size(), 3);
    EXPECT_TRUE(dump(local.db(), "propiedades", "id_propiedad").isEmpty());
    EXPECT_TRUE(dump(local.db(), "producto_propiedad", "id_producto").isEmpty());
}

// Values the working database would store changed, cut or absurd are refused with the reason,
// and a second import of the same source changes nothing either.
TEST(Importer, ValuesTheDatabaseWouldAlterAreConflictsWithTheirReason) {
    TempDatabase local;
    RemoteDatabase remote;
    addIngredient(local.db(), 1, "A", "Avena", "kg", 5, 88);
    addNutrient(local.db(), 1, "Proteína", "%");
    addValue(local.db(), 1, 1, 2);
    store::Database& r = remote.db();
    addIngredient(r, 1, "A", "Avena", "kg", 6, 88);
    r.exec("INSERT INTO productos VALUES (2,'N','Ceb'||char(0)||'ada','kg',1,88)");
    r.exec("INSERT INTO productos VALUES (3,'U',CAST(x'4d61ff7a' AS TEXT),'kg',1,88)");
    r.exec("INSERT INTO productos VALUES (4,'C','Caro','kg',-1e308,88)");
    r.exec("INSERT INTO productos VALUES (5,'S','Seco','kg',1,150)");
    r.exec("INSERT INTO productos VALUES (4294967297,'G','Grande','kg',1,88)");
    addIngredient(r, 7, "M", "Maíz", "kg", 3, 87);
    addNutrient(r, 1, "Proteína", "%");
    r.exec("INSERT INTO propiedades VALUES (2,'Fib'||char(0)||'ra','%')");
    // A source made by another tool: no types, no unique key.
    r.exec("DROP TABLE producto_propiedad");
    r.exec("CREATE TABLE producto_propiedad (id_producto, id_propiedad, valor)");
    r.exec("INSERT INTO producto_propiedad VALUES (1,1,3)");
    r.exec("INSERT INTO producto_propiedad VALUES (1,1,4)"); // repeated, another value
    r.exec("INSERT INTO producto_propiedad VALUES (7,1,9)");
    r.exec("INSERT INTO producto_propiedad VALUES (7,1,9.0)"); // repeated, the same value
    r.exec("INSERT INTO producto_propiedad VALUES ('101',1,1)");
    r.exec("INSERT INTO producto_propiedad VALUES (4294967297,1,1)");
    r.exec("INSERT INTO producto_propiedad VALUES (7,1.5,1)");
    r.exec("INSERT INTO producto_propiedad VALUES (7,1e308,1)");

    const QStringList expectedLog = {
        "Ingrediente N - Ceb␀ada (el nombre contiene un carácter nulo)",
        "Ingrediente U - Ma\ufffdz (el nombre no es un texto UTF-8 válido)",
        "Ingrediente C - Caro (el costo -1e+308 no está entre -1000000000 y 1000000000)",
        "Ingrediente S - Seco (la materia seca 150 no está entre 0 y 100)",
        "Ingrediente G - Grande (fila 7 de productos, columna id_producto: la clave 4294967297 "
        "no cabe en 32 bits)",
        "Nutriente Fib␀ra (el nombre contiene un carácter nulo)",
        "Composición del ingrediente 1 en el nutriente 1 (el origen la repite con valores "
        "distintos)",
        "Composición del ingrediente 101 en el nutriente 1 (fila 5 de producto_propiedad, "
        "columna id_producto: la clave «101» está guardada como texto)",
        "Composición del ingrediente 4294967297 en el nutriente 1 (fila 6 de producto_propiedad, "
        "columna id_producto: la clave 4294967297 no cabe en 32 bits)",
        "Composición del ingrediente 7 en el nutriente 1.5 (fila 7 de producto_propiedad, "
        "columna id_propiedad: la clave «1.5» no es un número entero)",
        "Composición del ingrediente 7 en el nutriente 1e+308 (fila 8 de producto_propiedad, "
        "columna id_propiedad: la clave 1e+308 no cabe en 32 bits)"};
    Seen seen;
    auto result = import::runImport(local.db(), remote.connectionText(), seen.callbacks());
    EXPECT_EQ(result.outcome, ImportOutcome::Finished);
    EXPECT_EQ(seen.log, expectedLog);
    EXPECT_EQ(result.conflicts, expectedLog.size());
    EXPECT_EQ(dump(local.db(), "productos", "id_producto"),
              QStringList(
                  {"1|                   A|Avena|kg|6|88", "7|                   M|Maíz|kg|3|87"}));
    EXPECT_EQ(dump(local.db(), "propiedades", "id_propiedad"), QStringList({"1|Proteína|%"}));
    EXPECT_EQ(dump(local.db(), "producto_propiedad", "id_propiedad,id_producto"),
              QStringList({"1|1|2", "7|1|9"}));

    const QStringList before = dumpAll(local.db());
    Seen again;
    result = import::runImport(local.db(), remote.connectionText(), again.callbacks());
    EXPECT_EQ(result.compositionsAdded + result.compositionsRefreshed, 0);
    EXPECT_EQ(again.log, seen.log);
    EXPECT_EQ(dumpAll(local.db()), before);
}

// A source made by another tool may repeat a key: none of its rows is taken, whichever came last,
// and neither are the key's compositions.
TEST(Importer, KeysTheSourceRepeatsAreConflictsAndWriteNothing) {
    TempDatabase local;
    RemoteDatabase remote;
    addIngredient(local.db(), 1, "A", "Avena", "kg", 5, 88);
    store::Database& r = remote.db();
    for (const char* table : {"productos", "propiedades"}) {
        r.exec(QString("CREATE TABLE copia AS SELECT * FROM %1").arg(table));
        r.exec(QString("DROP TABLE %1").arg(table));
        r.exec(QString("ALTER TABLE copia RENAME TO %1").arg(table));
    }
    addIngredient(r, 1, "A", "Avena", "kg", 6, 88);
    addIngredient(r, 1, "A", "Avena", "kg", 7, 88);
    addIngredient(r, 2, "B", "Cebada", "kg", 4, 87);
    addNutrient(r, 1, "Proteína", "%");
    addNutrient(r, 1, "Proteína", "g/kg");
    addNutrient(r, 2, "Fibra", "%");
    addValue(r, 1, 2, 3);
    addValue(r, 2, 1, 3);
    addValue(r, 2, 2, 4);
    Seen seen;
    const auto result = import::runImport(local.db(), remote.connectionText(), seen.callbacks());
    EXPECT_EQ(result.outcome, ImportOutcome::Finished);
    EXPECT_EQ(seen.log, QStringList({"Ingrediente A - Avena (la clave 1 se repite en el origen)",
                                     "Ingrediente A - Avena (la clave 1 se repite en el origen)",
                                     "Nutriente Proteína (la clave 1 se repite en el origen)",
                                     "Nutriente Proteína (la clave 1 se repite en el origen)"}));
    EXPECT_EQ(dump(local.db(), "productos", "id_producto"),
              QStringList({"1|                   A|Avena|kg|5|88",
                           "2|                   B|Cebada|kg|4|87"}));
    EXPECT_EQ(dump(local.db(), "propiedades", "id_propiedad"), QStringList({"2|Fibra|%"}));
    EXPECT_EQ(dump(local.db(), "producto_propiedad", "id_producto"), QStringList({"2|2|4"}));
}

// A working database whose table is a view (a file made by another tool) is refused before any
// row is written, naming the table.
TEST(Importer, ATableThatCannotTakeRowsIsRefusedBeforeAnythingIsWritten) {
    if (testsOnServer())
        GTEST_SKIP() << "the view is made in the file's own schema";
    TempDatabase local;
    RemoteDatabase remote;
    addIngredient(remote.db(), 1, "A", "Avena", "kg", 5, 88);
    addNutrient(remote.db(), 1, "Proteína", "%");
    local.db().exec("ALTER TABLE propiedades RENAME TO propiedades_guardadas");
    local.db().exec("CREATE VIEW propiedades AS SELECT * FROM propiedades_guardadas");
    Seen seen;
    const auto result = import::runImport(local.db(), remote.connectionText(), seen.callbacks());
    EXPECT_EQ(result.outcome, ImportOutcome::Failed);
    const QString message = import::outcomeMessage(result);
    EXPECT_TRUE(message.startsWith("No se puede importar en la base de datos de trabajo: la tabla "
                                   "propiedades no admite la importación ("))
        << message.toStdString();
    EXPECT_TRUE(message.endsWith("\nNo se importó nada; deberá repetir la importación."))
        << message.toStdString();
    EXPECT_TRUE(seen.progress.isEmpty());
    EXPECT_TRUE(dump(local.db(), "productos", "id_producto").isEmpty());
}

// Another program writing: the import waits for it, saying so, and goes on when it is done; when
// it is not done in time, the import fails saying that nothing was imported.
TEST(Importer, AnotherWriterIsWaitedForThenNamedInTheFailure) {
    if (testsOnServer())
        GTEST_SKIP() << "the lock is held through a second connection to the file";
    TempDatabase local;
    RemoteDatabase remote;
    for (int i = 1; i <= 3; ++i)
        addIngredient(remote.db(), i, QString::number(i), "Ing " + QString::number(i), "kg", i, 90);
    OtherProgram other(local.path());
    other.holdWriteLock();

    Seen seen;
    ImportCallbacks cb = seen.callbacks();
    cb.lockWaitMs = 300;
    auto result = import::runImport(local.db(), remote.connectionText(), cb);
    EXPECT_EQ(result.outcome, ImportOutcome::Failed);
    EXPECT_TRUE(seen.progress.contains("Base de datos ocupada por otro programa: esperando 0 s de "
                                       "1 [1/3]"))
        << seen.progress.join(" / ").toStdString();
    const QString message = import::outcomeMessage(result);
    EXPECT_TRUE(message.startsWith("No se pudo completar la importación de los ingredientes en la "
                                   "fila 1 de 3: la base de datos está ocupada por otro programa "
                                   "y no se liberó en 1 s ("))
        << message.toStdString();
    EXPECT_TRUE(message.endsWith("\nNo se importó nada; deberá repetir la importación."))
        << message.toStdString();
    EXPECT_TRUE(dump(local.db(), "productos", "id_producto").isEmpty());

    // The other program finishes while the import waits.
    cb.lockWaitMs = 60000;
    cb.progress = [&](const QString& text, int, int) {
        if (text.startsWith("Base de datos ocupada"))
            other.release();
    };
    result = import::runImport(local.db(), remote.connectionText(), cb);
    EXPECT_EQ(result.outcome, ImportOutcome::Finished) << result.failure.toStdString();
    EXPECT_EQ(dump(local.db(), "productos", "id_producto").size(), 3);

    // A cancel while waiting stops at once.
    other.holdWriteLock();
    addIngredient(remote.db(), 4, "4", "Ing 4", "kg", 4, 90);
    Seen cancelled;
    cb = cancelled.callbacks();
    bool waiting = false;
    cb.progress = [&](const QString& text, int, int) {
        waiting = waiting || text.startsWith("Base de datos ocupada");
    };
    cb.cancelRequested = [&] { return waiting; };
    result = import::runImport(local.db(), remote.connectionText(), cb);
    EXPECT_EQ(result.outcome, ImportOutcome::Cancelled);
    other.release();
    EXPECT_EQ(dump(local.db(), "productos", "id_producto").size(), 3);
}

// A batch that cannot be committed (a reader keeps the database, or the disk is full) stops the
// import with a message that says exactly what the earlier batches saved.
TEST(Importer, AFailedCommitSaysWhatWasSaved) {
    if (testsOnServer())
        GTEST_SKIP() << "the lock is held through a second connection to the file";
    TempDatabase local;
    RemoteDatabase remote;
    for (int i = 1; i <= 7; ++i)
        addIngredient(remote.db(), i, QString::number(i), "Ing " + QString::number(i), "kg", i, 90);
    addNutrient(remote.db(), 1, "Proteína", "%");
    for (int i = 1; i <= 7; ++i)
        addValue(remote.db(), i, 1, i);
    OtherProgram reader(local.path());

    const auto importReadingFrom = [&](const QString& progressText) {
        Seen seen;
        ImportCallbacks cb = seen.callbacks(3);
        cb.lockWaitMs = 200;
        cb.progress = [&](const QString& text, int, int) {
            if (text == progressText)
                reader.holdRead();
        };
        const auto result = import::runImport(local.db(), remote.connectionText(), cb);
        reader.release();
        EXPECT_EQ(result.outcome, ImportOutcome::Failed);
        return import::outcomeMessage(result);
    };
    QString message = importReadingFrom("Ingrediente 4 de 7");
    EXPECT_TRUE(message.startsWith("No se pudo confirmar la importación de los ingredientes de las "
                                   "filas 4 a 6 de 7: la base de datos está ocupada por otro "
                                   "programa y no se liberó en 1 s ("))
        << message.toStdString();
    EXPECT_TRUE(message.endsWith(
        "\nSe guardaron las filas 1 a 3 de 7 de los ingredientes (3 nuevos, 0 actualizados); "
        "faltan el resto de los ingredientes, los nutrientes y las composiciones. Deberá repetir "
        "la importación para completarla."))
        << message.toStdString();
    EXPECT_EQ(dump(local.db(), "productos", "id_producto").size(), 3);

    message = importReadingFrom("Ingredientes/Nutrientes 1 de 7");
    EXPECT_TRUE(message.endsWith("\nSe guardaron los ingredientes (4 nuevos, 3 actualizados) y los "
                                 "nutrientes (1 nuevos, 0 actualizados); faltan las "
                                 "composiciones. Deberá repetir la importación para completarla."))
        << message.toStdString();
    EXPECT_TRUE(dump(local.db(), "producto_propiedad", "id_producto").isEmpty());
}

// A full disk among the compositions: the message counts the rows the earlier batches saved.
TEST(Importer, AFullDiskSaysWhatWasSaved) {
    if (testsOnServer())
        GTEST_SKIP() << "the full disk is the file's own";
    TempDatabase local;
    RemoteDatabase remote;
    for (int i = 1; i <= 7; ++i)
        addIngredient(remote.db(), i, QString::number(i), "Ing " + QString::number(i), "kg", i, 90);
    remote.db().exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<300) "
                     "INSERT INTO propiedades SELECT i, 'Nutriente ' || i, '%' FROM n");
    remote.db().exec("INSERT INTO producto_propiedad SELECT p.id_producto, n.id_propiedad, 1.5 "
                     "FROM productos p, propiedades n");
    Seen seen;
    ImportCallbacks cb = seen.callbacks(100);
    cb.progress = [&](const QString& text, int, int) {
        if (text == "Ingredientes/Nutrientes 1 de 2100") // the file may not grow any more
            local.db().query("PRAGMA max_page_count=" +
                             local.db().query("PRAGMA page_count").value(0).toString());
    };
    const auto result = import::runImport(local.db(), remote.connectionText(), cb);
    EXPECT_EQ(result.outcome, ImportOutcome::Failed);
    const QString message = import::outcomeMessage(result);
    const QRegularExpressionMatch saved =
        QRegularExpression("^No se pudo completar la importación de las composiciones en la fila "
                           "\\d+ de 2100: .*\\nSe guardaron los ingredientes \\(7 nuevos, 0 "
                           "actualizados\\), los nutrientes \\(300 nuevos, 0 actualizados\\) y "
                           "las filas 1 a (\\d+) de 2100 de las composiciones \\((\\d+) nuevas, 0 "
                           "actualizadas\\); faltan el resto de las composiciones\\. Deberá "
                           "repetir la importación para completarla\\.$",
                           QRegularExpression::DotMatchesEverythingOption)
            .match(message);
    ASSERT_TRUE(saved.hasMatch()) << message.toStdString();
    EXPECT_EQ(saved.captured(1).toInt() % 100, 0);
    EXPECT_EQ(saved.captured(2).toInt(), saved.captured(1).toInt());
    EXPECT_EQ(dump(local.db(), "producto_propiedad", "id_producto").size(),
              saved.captured(2).toInt());
}

TEST(Importer, ASourceThatCannotBeOpenedChangesNothing) {
    TempDatabase local(true);
    const QStringList before = dumpAll(local.db());
    QTemporaryDir dir;
    const QString dsn = dir.filePath("dosivant2.dsn");
    const auto attempt = [&] {
        Seen seen;
        const auto result = import::runImport(
            local.db(), import::remoteConnectionText(dsn, "murta362"), seen.callbacks());
        EXPECT_EQ(result.outcome, ImportOutcome::SourceUnavailable);
        EXPECT_EQ(import::outcomeMessage(result), "No se pudo abrir la base de datos remota");
        EXPECT_TRUE(seen.progress.isEmpty());
    };
    attempt(); // no File DSN
    const QString text = dir.filePath("notas.mdb");
    {
        QFile f(text);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("no soy una base de datos\n");
    }
    import::writeDsn(dsn, dir.path(), text);
    attempt(); // neither SQLite nor Access
    import::writeDsn(dsn, dir.path(), dir.filePath("no-existe.db"));
    attempt();
    {
        // A SQLite database without the catalogue tables.
        const QString bare = dir.filePath("otra.db");
        store::Database::createFile(bare, true);
        auto db = store::Database::openFile(bare);
        db->exec("DROP TABLE producto_propiedad");
        import::writeDsn(dsn, dir.path(), bare);
    }
    attempt();
    EXPECT_EQ(dumpAll(local.db()), before);
}

TEST(Importer, AddedAndRepricedIngredientsGetAHistoryRowAndNoOtherDoes) {
    TempDatabase local;
    RemoteDatabase remote;
    addIngredient(local.db(), 1, "A", "Avena", "kg", 5, 88);
    addIngredient(local.db(), 2, "B", "Cebada", "kg", 4, 87);
    addIngredient(local.db(), 3, "C", "Centeno", "kg", 3, 86);
    addIngredient(local.db(), 5, "E", "Sorgo", "kg", 1, 88);
    addIngredient(remote.db(), 1, "A", "Avena", "tn", 5, 88);     // the unit only
    addIngredient(remote.db(), 2, "B", "Cebada", "kg", 4.5, 87);  // the cost
    addIngredient(remote.db(), 3, "C", "Centeno", "kg", 3, 85);   // the dry matter
    addIngredient(remote.db(), 4, "D", "Mijo", "kg", 2, 89);      // new
    addIngredient(remote.db(), 5, "E", "Otro sorgo", "kg", 9, 9); // a conflict: left alone
    const auto history = [&](int id) {
        QStringList out;
        for (const catalog::PriceEntry& e : catalog::lastPrices(local.db(), id))
            out << QString::number(*e.price.costo) + "|" + QString::number(*e.price.materiaSeca) +
                       "|" + e.origen;
        return out;
    };
    ASSERT_EQ(import::runImport(local.db(), remote.connectionText()).outcome,
              ImportOutcome::Finished);
    EXPECT_TRUE(history(1).isEmpty());
    // Ingredients stored before the history keep the price the import replaced.
    EXPECT_EQ(history(2), QStringList({"4.5|87|importación", "4|87|precio anterior"}));
    EXPECT_EQ(history(3), QStringList({"3|85|importación", "3|86|precio anterior"}));
    EXPECT_EQ(history(4), QStringList({"2|89|importación"}));
    EXPECT_TRUE(history(5).isEmpty());

    // The same source again changes no price.
    ASSERT_EQ(import::runImport(local.db(), remote.connectionText()).outcome,
              ImportOutcome::Finished);
    EXPECT_EQ(dump(local.db(), "precio_historial", "id_producto").size(), 5);
}

// An editor left open on an ingredient or nutrient the import changed cannot write its old values
// back over the imported ones; one the import left as it was saves as before.
TEST(Importer, AnEditorOpenOnAChangedRowIsRefusedItsSave) {
    TempDatabase local;
    RemoteDatabase remote;
    addIngredient(local.db(), 1, "A", "Avena", "kg", 5, 88);
    addIngredient(local.db(), 2, "B", "Cebada", "kg", 4, 87);
    addNutrient(local.db(), 1, "Proteína", "%");
    addNutrient(local.db(), 2, "Energía", "Mcal");
    addIngredient(remote.db(), 1, "A", "Avena", "kg", 6, 88);  // repriced
    addIngredient(remote.db(), 2, "B", "Cebada", "kg", 4, 87); // as it was
    addNutrient(remote.db(), 1, "Proteína", "g/kg");           // another unit
    addNutrient(remote.db(), 2, "Energía", "Mcal");            // as it was
    const auto avena = catalog::loadIngredient(local.db(), 1);
    const auto cebada = catalog::loadIngredient(local.db(), 2);
    const int proteina = catalog::nutrientRevision(local.db(), 1);
    const int energia = catalog::nutrientRevision(local.db(), 2);
    ASSERT_TRUE(avena && cebada);

    ASSERT_EQ(import::runImport(local.db(), remote.connectionText()).outcome,
              ImportOutcome::Finished);

    catalog::IngredientValues old{"A", "Avena", "kg", 5, 88};
    EXPECT_THROW(catalog::updateIngredient(local.db(), 1, old, avena->revision),
                 store::StaleRowError);
    EXPECT_EQ(catalog::loadIngredient(local.db(), 1)->costo, 6);
    EXPECT_THROW(catalog::updateNutrient(local.db(), 1, {"Proteína", "%"}, proteina),
                 store::StaleRowError);
    EXPECT_EQ(catalog::loadNutrient(local.db(), 1)->unidad, "g/kg");

    EXPECT_TRUE(
        catalog::updateIngredient(local.db(), 2, {"B", "Cebada", "kg", 4.2, 87}, cebada->revision));
    EXPECT_TRUE(catalog::updateNutrient(local.db(), 2, {"Energía", "kcal"}, energia));
}
