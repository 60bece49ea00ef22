#include "import/import_statements.h"
#include "import/importer.h"
#include "import/remote_source.h"
#include "import_fixture.h"
#include "support/qt_printers.h"
#include "support/temp_database.h"

#include <QFile>
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
    // set), the code list, then a look-up and a write per row. Row 5's write comes 11th after
    // the settings.
    local.db().failStatementAfter(11 + (local.db().isServer() ? 1 : 2));
    Seen seen;
    const auto result = import::runImport(local.db(), remote.connectionText(), seen.callbacks(3));
    EXPECT_EQ(result.outcome, ImportOutcome::Failed);
    EXPECT_EQ(import::outcomeStyle(result), 16);
    EXPECT_TRUE(import::outcomeMessage(result).startsWith(
        "No se pudo completar la importación de los ingredientes en la fila 5 de 7: "))
        << import::outcomeMessage(result).toStdString();
    EXPECT_EQ(dump(local.db(), "productos", "id_producto").size(), 3); // the first batch
    EXPECT_TRUE(dump(local.db(), "propiedades", "id_propiedad").isEmpty());
    EXPECT_TRUE(dump(local.db(), "producto_propiedad", "id_producto").isEmpty());
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
