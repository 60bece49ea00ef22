#include "command_run.h"
#include "store/database.h"
#include "support/temp_database.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString writeList(const QTemporaryDir& dir, const QString& name, const QByteArray& content) {
    const QString path = dir.filePath(name);
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(content);
    return path;
}

// The value and source of a pair, "|" between them; "none" when the pair has no value.
QString stored(store::Database& db, const QString& code, const QString& nutrient) {
    store::RecordSet rs = db.query(
        "select pp.valor,(select fuente from producto_propiedad_fuente f where "
        "f.id_producto=pp.id_producto and f.id_propiedad=pp.id_propiedad) from producto_propiedad "
        "pp,productos i,propiedades p where pp.id_producto=i.id_producto and "
        "pp.id_propiedad=p.id_propiedad and trim(i.codigo)='" +
        code + "' and p.nombre='" + nutrient + "'");
    return rs.count() == 0 ? "none"
                           : rs.valueAt(0, 0).toString() + "|" + rs.valueAt(0, 1).toString();
}

} // namespace

TEST(CompositionsCommand, ShowsAppliesCreatesOnlyWhenToldAndSaysConflictsInItsStatus) {
    TempDatabase t(true);
    QTemporaryDir dir;
    const QString list = writeList(dir, "huella.csv",
                                   "codigo;propiedad;valor;base;fuente;unidad\n"
                                   "MAIZ;Calcio;0.03;;Lab 12;\n"
                                   "SOJA44;Huella de carbono;0.89;humeda;GFLI 2023;kg CO2e/kg\n"
                                   "XX;Calcio;1;;;\n");
    const QStringList args = {"--database", t.path(), "--from", list};

    const CommandRun shown = runCommand("compositions", args);
    EXPECT_EQ(shown.status, 3);
    EXPECT_EQ(shown.err, "");
    EXPECT_EQ(shown.out,
              "Lista de composición " + list +
                  " (separador «;», decimales con «.»)\n"
                  "Línea  Código  Descripción          Nutriente  Valor actual  Valor nuevo (M.S.)"
                  "  Fuente\n"
                  "    2  MAIZ    Maíz amarillo grano  Calcio          0.02200             "
                  "0.03000  Lab 12\n"
                  "Conflictos (no se aplican):\n"
                  "  línea 3, código «SOJA44», nutriente «Huella de carbono»: el nutriente no "
                  "existe (permita crearlo para aplicar esta línea)\n"
                  "  línea 4, código «XX», nutriente «Calcio»: el código no está en el catálogo\n"
                  "1 valor cambia; 0 sin cambios; 2 líneas con conflictos no se aplican.\n"
                  "No se aplicó nada (aplique la lista con --yes).\n");
    EXPECT_EQ(stored(t.db(), "MAIZ", "Calcio"), "0.022|");

    // With the Spanish name of the option the new nutrient is created, its value made dry.
    const CommandRun applied =
        runCommand("compositions", args + QStringList{"--yes", "--crear-propiedades"});
    EXPECT_EQ(applied.status, 3);
    EXPECT_TRUE(applied.out.contains("Nutrientes nuevos (se crean al aplicar):\n"
                                     "  «Huella de carbono», unidad «kg CO2e/kg» (línea 3)\n"))
        << applied.out.toStdString();
    EXPECT_TRUE(applied.out.endsWith("Se actualizaron 2 valores de composición de 2 "
                                     "ingredientes. Se creó 1 nutriente.\n"))
        << applied.out.toStdString();
    EXPECT_EQ(stored(t.db(), "MAIZ", "Calcio"), "0.03|Lab 12");
    EXPECT_EQ(stored(t.db(), "SOJA44", "Huella de carbono"),
              QString::number(0.89 * 100 / 89) + "|GFLI 2023");

    // Without conflicts the status is 0; applied, the list changes nothing more.
    const QString clean =
        writeList(dir, "limpia.csv", "codigo,propiedad,valor\nMAIZ,Calcio,0.03\n");
    const CommandRun nothing =
        runCommand("compositions", {"--database", t.path(), "--from", clean, "--yes"});
    EXPECT_EQ(nothing.status, 0);
    EXPECT_TRUE(nothing.out.endsWith("La lista no cambia ningún valor: no hay nada que aplicar.\n"))
        << nothing.out.toStdString();

    // What is not a composition list, or a command without its file, fails with status 1.
    const QString prices = writeList(dir, "precios.csv", "codigo;costo\nMAIZ;0.2\n");
    const CommandRun wrong =
        runCommand("compositions", {"--database", t.path(), "--from", prices, "--yes"});
    EXPECT_EQ(wrong.status, 1);
    EXPECT_EQ(wrong.out, "");
    EXPECT_TRUE(wrong.err.startsWith("dosivant compositions: El archivo " + prices +
                                     " no es una lista de composición"))
        << wrong.err.toStdString();
    EXPECT_EQ(runCommand("compositions", {"--database", t.path()}).status, 1);
    EXPECT_EQ(
        runCommand("compositions", {"--database", dir.filePath("no.db"), "--from", clean}).status,
        1);
    const CommandRun help = runCommand("compositions", {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.contains("--create-nutrients, --crear-propiedades"))
        << help.out.toStdString();
    EXPECT_TRUE(help.out.contains("una fuente vacía conserva la fuente guardada"));
}
