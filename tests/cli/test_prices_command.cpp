#include "command_run.h"
#include "store/database.h"
#include "support/qt_printers.h"
#include "support/temp_database.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// The user's regional settings in a folder of the test's own, with the decimal mark given.
class RegionalDecimal {
public:
    explicit RegionalDecimal(const QString& mark) : saved_(qgetenv("XDG_CONFIG_HOME")) {
        qputenv("XDG_CONFIG_HOME", dir_.path().toUtf8());
        QSettings ini(dir_.filePath("Dosivant/regional.ini"), QSettings::IniFormat);
        ini.setValue("Regional/sDecimal", mark);
    }
    ~RegionalDecimal() {
        saved_.isNull() ? qunsetenv("XDG_CONFIG_HOME") : qputenv("XDG_CONFIG_HOME", saved_);
    }

private:
    QTemporaryDir dir_;
    QByteArray saved_;
};

QString writeList(const QTemporaryDir& dir, const QString& name, const QByteArray& content) {
    const QString path = dir.filePath(name);
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(content);
    return path;
}

QString price(store::Database& db, const QString& code) {
    store::RecordSet rs =
        db.query("select costo,materia_seca from productos where trim(codigo)='" + code + "'");
    return rs.valueAt(0, 0).toString() + "|" + rs.valueAt(0, 1).toString();
}

int historyRows(store::Database& db) {
    return db.query("select count(*) from precio_historial").valueAt(0, 0).toInt();
}

} // namespace

TEST(PricesCommand, ShowsWithoutYesAppliesWithItAndSaysConflictsInItsStatus) {
    RegionalDecimal point(".");
    TempDatabase t(true);
    QTemporaryDir dir;
    const QString list = writeList(dir, "lista.csv",
                                   "codigo,costo,materia_seca\nMAIZ,0.19,88\nSOJA44,0.34,\n"
                                   "TRIGO,0.2,\nXX,1,90\n");
    const QStringList args = {"--database", t.path(), "--from", list};

    const CommandRun shown = runCommand("prices", args);
    EXPECT_EQ(shown.status, 3);
    EXPECT_EQ(shown.err, "");
    EXPECT_EQ(shown.out,
              "Lista de precios " + list +
                  " (separador «,», decimales con «.»)\n"
                  "Línea  Código  Descripción          Costo anterior  Costo nuevo  Variación  "
                  "M.S. anterior  M.S. nueva\n"
                  "    2  MAIZ    Maíz amarillo grano          0.1730       0.1900    +9.83 %  "
                  "        89.00       88.00\n"
                  "    4  TRIGO   Trigo grano                  0.1870       0.2000    +6.95 %  "
                  "        88.00       88.00\n"
                  "Conflictos (no se aplican):\n"
                  "  línea 5, código «XX»: el código no está en el catálogo\n"
                  "2 ingredientes cambian de precio; 1 sin cambios; 1 línea con conflictos no se "
                  "aplica.\n"
                  "No se aplicó nada (aplique la lista con --yes).\n");
    EXPECT_EQ(price(t.db(), "MAIZ"), "0.173|89");
    EXPECT_EQ(historyRows(t.db()), 0);

    const CommandRun applied = runCommand("prices", args + QStringList{"--yes"});
    EXPECT_EQ(applied.status, 3);
    EXPECT_TRUE(applied.out.endsWith("Se actualizaron los precios de 2 ingredientes.\n"))
        << applied.out.toStdString();
    EXPECT_EQ(price(t.db(), "MAIZ"), "0.19|88");
    EXPECT_EQ(price(t.db(), "TRIGO"), "0.2|88");
    EXPECT_EQ(historyRows(t.db()), 4); // each change and the sample's price before it

    // Without conflicts the status is 0; once applied the list changes nothing more.
    const QString clean = writeList(dir, "limpia.csv", "codigo;costo\nMAIZ;0.19\n");
    const CommandRun nothing =
        runCommand("prices", {"--database", t.path(), "--from", clean, "--yes"});
    EXPECT_EQ(nothing.status, 0);
    EXPECT_TRUE(
        nothing.out.endsWith("La lista no cambia ningún precio: no hay nada que aplicar.\n"))
        << nothing.out.toStdString();
    EXPECT_EQ(historyRows(t.db()), 4);
}

TEST(PricesCommand, ReadsNumbersWithTheDecimalMarkOfTheRegionalSettings) {
    TempDatabase t(true);
    QTemporaryDir dir;
    const QString list = writeList(dir, "lista.csv", "codigo;costo;materia_seca\nMAIZ;0,2;88,5\n");
    const QStringList args = {"--database", t.path(), "--from", list, "--yes"};
    {
        RegionalDecimal point(".");
        const CommandRun refused = runCommand("prices", args);
        EXPECT_EQ(refused.status, 3);
        EXPECT_TRUE(refused.out.contains("el costo «0,2» no es un número"));
        EXPECT_EQ(price(t.db(), "MAIZ"), "0.173|89");
    }
    RegionalDecimal comma(",");
    const CommandRun applied = runCommand("prices", args);
    EXPECT_EQ(applied.status, 0) << applied.out.toStdString();
    EXPECT_EQ(price(t.db(), "MAIZ"), "0.2|88.5");
}

TEST(PricesCommand, WhatIsNotAPriceListOrAWholeCommandFailsWithNothingWritten) {
    RegionalDecimal point(".");
    TempDatabase t(true);
    QTemporaryDir dir;
    const QString picture = writeList(dir, "foto.csv", QByteArray("\x89PNG\r\n\x1a\n\0\0", 10));
    const CommandRun binary =
        runCommand("prices", {"--database", t.path(), "--from", picture, "--yes"});
    EXPECT_EQ(binary.status, 1);
    EXPECT_EQ(binary.out, "");
    EXPECT_EQ(binary.err, "dosivant prices: El archivo " + picture +
                              " no es un archivo de texto: una lista de precios es un archivo CSV "
                              "(guarde la planilla como «CSV»).\n");
    EXPECT_EQ(historyRows(t.db()), 0);

    const QString list = writeList(dir, "lista.csv", "codigo;costo\nMAIZ;0.2\n");
    const CommandRun noDatabase =
        runCommand("prices", {"--database", dir.filePath("no.db"), "--from", list});
    EXPECT_EQ(noDatabase.status, 1);
    EXPECT_TRUE(noDatabase.err.startsWith("dosivant prices: No se encontró el archivo de base"));

    EXPECT_EQ(runCommand("prices", {"--database", t.path()}).status, 1);
    EXPECT_TRUE(runCommand("prices", {"--database", t.path()}).err.contains("Falta --from"));
    EXPECT_EQ(runCommand("prices", {"--from", list}).status, 1);
    EXPECT_EQ(runCommand("prices", {"--database", t.path(), "--from", list, "otro"}).status, 1);

    const CommandRun help = runCommand("prices", {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.startsWith("Uso: dosivant prices --database RUTA --from LISTA.csv"));
    EXPECT_TRUE(help.out.contains("Estado de salida: 0 hecho; 3 hecho, con líneas en conflicto"));
    EXPECT_TRUE(cli::usageText().contains("dosivant prices --database RUTA --from LISTA.csv"));
    EXPECT_EQ(price(t.db(), "MAIZ"), "0.173|89");
}
