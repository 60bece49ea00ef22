#include "printing/formula_document.h"
#include "printing/odt_package.h"
#include "printout_fixture.h"
#include "support/qt_printers.h"
#include "zip_reader.h"

#include <QBuffer>
#include <QDomDocument>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QDate kToday(2026, 12, 6);
const QString kTableNs = "urn:oasis:names:tc:opendocument:xmlns:table:1.0";
const QString kStyleNs = "urn:oasis:names:tc:opendocument:xmlns:style:1.0";
const QString kFoNs = "urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0";
const QString kTextNs = "urn:oasis:names:tc:opendocument:xmlns:text:1.0";

QDomDocument parse(const QByteArray& xml) {
    QDomDocument doc;
    const bool ok = doc.setContent(xml, true);
    EXPECT_TRUE(ok);
    return doc;
}

// The automatic styles of content.xml by name: the properties element's attributes.
struct Styles {
    explicit Styles(QDomDocument content) {
        const QDomNodeList list = content.elementsByTagNameNS(kStyleNs, "style");
        for (int i = 0; i < list.size(); ++i) {
            const QDomElement style = list.at(i).toElement();
            QMap<QString, QString> props;
            for (QDomElement p = style.firstChildElement(); !p.isNull();
                 p = p.nextSiblingElement()) {
                const QDomNamedNodeMap attrs = p.attributes();
                for (int a = 0; a < attrs.size(); ++a)
                    props[attrs.item(a).localName()] = attrs.item(a).nodeValue();
            }
            byName[style.attributeNS(kStyleNs, "name")] = props;
        }
    }
    QString get(const QString& style, const QString& property) const {
        return byName.value(style).value(property);
    }
    QMap<QString, QMap<QString, QString>> byName;
};

struct Cell {
    QStringList paragraphs;
    QString cellStyle, paragraphStyle;
};

struct Table {
    QStringList columnWidths;
    QList<QList<Cell>> rows;
};

QList<Table> tables(QDomDocument content, const Styles& styles) {
    QList<Table> result;
    const QDomNodeList list = content.elementsByTagNameNS(kTableNs, "table");
    for (int i = 0; i < list.size(); ++i) {
        Table t;
        const QDomElement table = list.at(i).toElement();
        for (QDomElement e = table.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
            if (e.localName() == "table-column") {
                t.columnWidths << styles.get(e.attributeNS(kTableNs, "style-name"), "column-width");
            } else if (e.localName() == "table-row") {
                QList<Cell> row;
                for (QDomElement c = e.firstChildElement(); !c.isNull();
                     c = c.nextSiblingElement()) {
                    Cell cell;
                    cell.cellStyle = c.attributeNS(kTableNs, "style-name");
                    for (QDomElement p = c.firstChildElement(); !p.isNull();
                         p = p.nextSiblingElement()) {
                        cell.paragraphs << p.text();
                        cell.paragraphStyle = p.attributeNS(kTextNs, "style-name");
                    }
                    row << cell;
                }
                t.rows << row;
            }
        }
        result << t;
    }
    return result;
}

QStringList texts(const QList<Cell>& row) {
    QStringList result;
    for (const Cell& c : row)
        result << c.paragraphs.join("\n");
    return result;
}

bool bold(const Styles& s, const Cell& c) {
    return s.get(c.paragraphStyle, "font-weight") == "bold";
}
bool right(const Styles& s, const Cell& c) {
    return s.get(c.paragraphStyle, "text-align") == "end";
}

workspace::Workspace smallFormula() {
    workspace::Workspace ws;
    addNutrient(ws, "Proteína", 20.0, 23.0, 21.456);
    addNutrient(ws, "Calcio", 0.9, QVariant(), 1.0);
    addNutrient(ws, "Energía", 3.0, QVariant(), 3.04951);
    addIngredient(ws, "Maíz", 500.0, 0.125, 560.0, 0.56);
    addIngredient(ws, "Sin uso", 0.0, 0.0, 0.0, 0.0);
    addIngredient(ws, "Soja", 384.0, 0.875, 440.0, 0.44);
    ws.vCostoHumeda = 0.18765;
    return ws;
}

// The texts of the sample, with a unit for protein and energy; calcium has none.
printing::PrintoutTexts textsWithUnits() {
    printing::PrintoutTexts t = sampleTexts();
    t.unidades = {{1, "%"}, {3, "Mcal/kg"}};
    return t;
}

} // namespace

TEST(FormulaDocument, PackageIsAValidOpenDocument) {
    QString error;
    const QByteArray package =
        printing::odtPackage(printing::imprimeWord(smallFormula(), sampleTexts(), kToday), &error);
    ASSERT_FALSE(package.isEmpty()) << error.toStdString();
    // "mimetype" is the first entry, stored, with no extra field: its text can be read at a
    // fixed offset of the file, which is how file managers recognise the type.
    EXPECT_EQ(package.mid(0, 4), QByteArray("PK\x03\x04"));
    EXPECT_EQ(package.mid(30, 8), QByteArray("mimetype"));
    EXPECT_EQ(package.mid(38, printing::kOdtMimeType.size()), printing::kOdtMimeType);

    ZipReader zip(package);
    ASSERT_TRUE(zip.isOpen());
    const QStringList names = zip.names();
    EXPECT_EQ(names.first(), "mimetype");
    EXPECT_EQ(zip.method("mimetype"), ZIP_CM_STORE);
    EXPECT_EQ(zip.read("mimetype"), printing::kOdtMimeType);

    // The manifest lists every file of the package and nothing else.
    QDomDocument manifest = parse(zip.read("META-INF/manifest.xml"));
    const QDomNodeList entries = manifest.elementsByTagNameNS(
        "urn:oasis:names:tc:opendocument:xmlns:manifest:1.0", "file-entry");
    QStringList listed;
    for (int i = 0; i < entries.size(); ++i)
        listed << entries.at(i).toElement().attributeNS(
            "urn:oasis:names:tc:opendocument:xmlns:manifest:1.0", "full-path");
    QStringList expected = names;
    expected.removeAll("mimetype");
    expected.removeAll("META-INF/manifest.xml");
    expected << "/";
    listed.sort();
    expected.sort();
    EXPECT_EQ(listed, expected);

    // Arial 9 for the whole document.
    QDomDocument stylesXml = parse(zip.read("styles.xml"));
    const QDomElement defaults =
        stylesXml.elementsByTagNameNS(kStyleNs, "default-style").at(0).firstChildElement();
    EXPECT_EQ(defaults.attributeNS(kStyleNs, "font-name"), "Arial");
    EXPECT_EQ(defaults.attributeNS(kFoNs, "font-size"), "9.00pt");
}

TEST(FormulaDocument, FourTablesWithWidthsShadingBoldAndAlignment) {
    const QByteArray package =
        printing::odtPackage(printing::imprimeWord(smallFormula(), textsWithUnits(), kToday));
    ZipReader zip(package);
    QDomDocument content = parse(zip.read("content.xml"));
    const Styles styles(content);
    const QList<Table> all = tables(content, styles);
    ASSERT_EQ(all.size(), 4);

    const Table& title = all.at(0);
    EXPECT_EQ(title.columnWidths, QStringList({"315.00pt", "85.00pt"}));
    ASSERT_EQ(title.rows.size(), 1);
    EXPECT_EQ(title.rows[0][0].paragraphs, QStringList({"", "DOSIVANT - Composición de Fórmulas"}));
    EXPECT_TRUE(bold(styles, title.rows[0][0]));
    EXPECT_EQ(title.rows[0][1].paragraphs, QStringList({"", "Fecha: 06/12/2026"}));
    EXPECT_EQ(styles.get(title.rows[0][0].cellStyle, "border"), "none");

    const Table& data = all.at(1);
    EXPECT_EQ(data.columnWidths, QStringList({"120.00pt", "280.00pt"}));
    ASSERT_EQ(data.rows.size(), 6);
    EXPECT_EQ(texts(data.rows[0]), QStringList({"Fórmula:", "  Iniciador pollos  "}));
    EXPECT_EQ(texts(data.rows[4]), QStringList({"Materia Seca:", "88.40"}));
    // The cost of a unit of the mix, as on the printed formula.
    EXPECT_EQ(texts(data.rows[5]), QStringList({"Costo unitario:", "$ 0.1877 por kg"}));
    for (const auto& row : data.rows) {
        EXPECT_FALSE(bold(styles, row[0]));
        EXPECT_TRUE(bold(styles, row[1]));
        EXPECT_EQ(styles.get(row[1].cellStyle, "border"), "none");
    }

    const Table& nutrients = all.at(2);
    EXPECT_EQ(nutrients.columnWidths, QStringList({"190.00pt", "70.00pt", "70.00pt", "70.00pt"}));
    ASSERT_EQ(nutrients.rows.size(), 4);
    EXPECT_EQ(texts(nutrients.rows[0]), QStringList({"NUTRIENTES", "Mínimo", "Máximo", "Valor"}));
    // Each figure with its unit, in the decimals the unit reads with.
    EXPECT_EQ(texts(nutrients.rows[1]), QStringList({"Proteína", "20.00 %", "23.00 %", "21.46 %"}));
    EXPECT_EQ(texts(nutrients.rows[2]), QStringList({"Calcio", "0.90", "", "1.00"}));
    EXPECT_EQ(texts(nutrients.rows[3]),
              QStringList({"Energía", "3.000 Mcal/kg", "", "3.050 Mcal/kg"}));
    for (int c = 0; c < 4; ++c) {
        EXPECT_TRUE(bold(styles, nutrients.rows[0][c]));
        EXPECT_EQ(styles.get(nutrients.rows[0][c].cellStyle, "background-color"), "#e0e0e0");
        EXPECT_EQ(styles.get(nutrients.rows[1][c].cellStyle, "background-color"), "");
        // One line between two cells: left and bottom always, top in the first row only, right
        // in the last column only.
        const QString line = "0.5pt solid #000000";
        for (int r : {0, 1}) {
            const QString style = nutrients.rows[r][c].cellStyle;
            EXPECT_EQ(styles.get(style, "border-left"), line);
            EXPECT_EQ(styles.get(style, "border-bottom"), line);
            EXPECT_EQ(styles.get(style, "border-top"), r == 0 ? line : "none");
            EXPECT_EQ(styles.get(style, "border-right"), c == 3 ? line : "none");
        }
        EXPECT_FALSE(bold(styles, nutrients.rows[1][c]));
        EXPECT_EQ(right(styles, nutrients.rows[1][c]), c > 0);
        EXPECT_EQ(right(styles, nutrients.rows[0][c]), c > 0);
    }

    const Table& ingredients = all.at(3);
    EXPECT_EQ(ingredients.columnWidths,
              QStringList({"150.00pt", "70.00pt", "50.00pt", "80.00pt", "50.00pt"}));
    // The heading and one row per ingredient with an as-fed quantity.
    ASSERT_EQ(ingredients.rows.size(), 3);
    EXPECT_EQ(texts(ingredients.rows[0]),
              QStringList({"INGREDIENTES", "Base Seca (kg)", "", "Base Húmeda (kg)", ""}));
    EXPECT_EQ(texts(ingredients.rows[1]),
              QStringList({"Maíz", "500.00", "12.50 %", "560.00", "56.00 %"}));
    EXPECT_EQ(texts(ingredients.rows[2]),
              QStringList({"Soja", "384.00", "87.50 %", "440.00", "44.00 %"}));
    for (int c = 0; c < 5; ++c) {
        EXPECT_EQ(styles.get(ingredients.rows[0][c].cellStyle, "background-color"), "#e0e0e0");
        EXPECT_EQ(right(styles, ingredients.rows[2][c]), c > 0);
    }
    EXPECT_EQ(printing::shadeColor(), "#e0e0e0");

    // Without a mix there is no cost to show.
    workspace::Workspace unmixed = smallFormula();
    unmixed.ingredients.clear();
    QDomDocument plain =
        parse(ZipReader(printing::odtPackage(printing::imprimeWord(unmixed, sampleTexts(), kToday)))
                  .read("content.xml"));
    EXPECT_EQ(tables(plain, Styles(plain)).at(1).rows.size(), 5);
    EXPECT_EQ(printing::kShadeColorNumber, 0xE0E0E0u);
}

TEST(FormulaDocument, WritesToDevicesAndFilesAndReportsFailures) {
    const workspace::Workspace ws = smallFormula();
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QString error;
    ASSERT_TRUE(printing::writeFormulaDocument(buffer, ws, sampleTexts(), kToday, &error));
    EXPECT_TRUE(ZipReader(buffer.data()).isOpen());

    QTemporaryDir dir;
    const QString path = dir.filePath("formula.odt");
    ASSERT_TRUE(printing::writeFormulaDocument(path, ws, sampleTexts(), kToday, &error));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), buffer.data());

    EXPECT_FALSE(printing::writeFormulaDocument("/proc/no/such/formula.odt", ws, sampleTexts(),
                                                kToday, &error));
    EXPECT_TRUE(error.startsWith("No se pudo")) << error.toStdString();
    // A device that takes nothing: the package sits in the file's buffer until it is flushed,
    // and that is where the failure shows.
    QFile full("/dev/full");
    if (full.open(QIODevice::WriteOnly)) {
        error.clear();
        EXPECT_FALSE(printing::writeFormulaDocument(full, ws, sampleTexts(), kToday, &error));
        EXPECT_TRUE(error.startsWith("No se pudo escribir el documento")) << error.toStdString();
    }
    // The workspace is left as it was.
    EXPECT_EQ(int(ws.ingredients.size()), 3);
    EXPECT_EQ(int(ws.nutrients.size()), 3);
}

// Where LibreOffice is installed (libreoffice-writer-nogui), it must open the package and lay
// it out: converted to PDF it gives a page that holds the tables' texts.
TEST(FormulaDocument, LibreOfficeOpensThePackage) {
    const QString soffice = QStandardPaths::findExecutable("soffice");
    if (soffice.isEmpty())
        GTEST_SKIP() << "LibreOffice is not installed";
    QTemporaryDir dir;
    const QString odt = dir.filePath("formula.odt");
    QString error;
    ASSERT_TRUE(printing::writeFormulaDocument(odt, smallFormula(), sampleTexts(), kToday, &error));
    QProcess office;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", dir.path()); // a profile of its own, never the user's
    office.setProcessEnvironment(env);
    office.start(soffice, {"--headless", "--convert-to", "pdf", "--outdir", dir.path(), odt});
    ASSERT_TRUE(office.waitForFinished(180000));
    QFile pdf(dir.filePath("formula.pdf"));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly)) << office.readAllStandardError().toStdString();
    EXPECT_TRUE(pdf.readAll().startsWith("%PDF"));
}

TEST(FormulaDocument, RatioAndGroupTablesFollowTheNutrients) {
    workspace::Workspace ws = smallFormula();
    formulas::FormulaRatio ratio;
    ratio.nombreNumerador = "Calcio";
    ratio.nombreDivisor = "Fósforo disponible";
    ratio.minimo = 1.8;
    ratio.valor = 2.04;
    ws.ratios = {ratio};
    formulas::FormulaGroup group;
    group.nombre = "Granos";
    group.maximo = 600;
    group.valor = 560;
    ws.groups = {group};
    ZipReader zip(printing::odtPackage(printing::imprimeWord(ws, sampleTexts(), kToday)));
    QDomDocument content = parse(zip.read("content.xml"));
    const Styles styles(content);
    const QList<Table> all = tables(content, styles);
    ASSERT_EQ(all.size(), 6);
    EXPECT_EQ(texts(all.at(2).rows[0]).first(), "NUTRIENTES");
    ASSERT_EQ(all.at(3).rows.size(), 2);
    EXPECT_EQ(texts(all.at(3).rows[0]), QStringList({"RELACIONES", "Mínimo", "Máximo", "Valor"}));
    EXPECT_EQ(texts(all.at(3).rows[1]),
              QStringList({"Calcio / Fósforo disponible", "1.80", "", "2.04"}));
    EXPECT_EQ(texts(all.at(4).rows[0]),
              QStringList({"GRUPOS", "Mínimo", "Máximo", "Cantidad (kg)"}));
    EXPECT_EQ(texts(all.at(4).rows[1]), QStringList({"Granos", "", "600.00", "560.00"}));
    EXPECT_EQ(texts(all.at(5).rows[0]).first(), "INGREDIENTES");

    // Only the groups: one table more than a formula without either.
    ws.ratios.clear();
    ZipReader groupsOnly(printing::odtPackage(printing::imprimeWord(ws, sampleTexts(), kToday)));
    QDomDocument second = parse(groupsOnly.read("content.xml"));
    const QList<Table> five = tables(second, Styles(second));
    ASSERT_EQ(five.size(), 5);
    EXPECT_EQ(texts(five.at(3).rows[0]).first(), "GRUPOS");
}

TEST(FormulaDocument, ChosenGoalsHaveATableBeforeTheIngredients) {
    workspace::Workspace ws = smallFormula();
    printing::PrintoutTexts withGoals = sampleTexts();
    withGoals.objetivos = {{7, "Huella de carbono", "kg CO2e/kg", 0.5}};
    ZipReader zip(printing::odtPackage(printing::imprimeWord(ws, withGoals, kToday)));
    QDomDocument content = parse(zip.read("content.xml"));
    const QList<Table> all = tables(content, Styles(content));
    ASSERT_EQ(all.size(), 5);
    EXPECT_EQ(texts(all.at(3).rows[0]),
              QStringList({"OBJETIVOS (por kg y por tonelada tal cual)"}));
    EXPECT_EQ(texts(all.at(3).rows[1]),
              QStringList({"Huella de carbono: 0.5000 kg CO2e/kg · 500.00 kg CO2e/t"}));
    EXPECT_EQ(texts(all.at(4).rows[0]).first(), "INGREDIENTES");
}

TEST(FormulaDocument, LimitsHeldWithAProbabilityHaveTheirTable) {
    workspace::Workspace ws = smallFormula();
    printing::PrintoutTexts shown = sampleTexts();
    shown.probabilidades = {
        {ws.nutrients[0].id, ws.nutrients[0].nombre, 0.9, 23.5, 0.39, 0.5, 1.2, 0}};
    ZipReader zip(printing::odtPackage(printing::imprimeWord(ws, shown, kToday)));
    QDomDocument content = parse(zip.read("content.xml"));
    const QList<Table> all = tables(content, Styles(content));
    ASSERT_EQ(all.size(), 5);
    EXPECT_EQ(texts(all.at(3).rows[0]),
              QStringList({"LÍMITES CON PROBABILIDAD", "Probabilidad", "Media", "Margen"}));
    ASSERT_EQ(all.at(3).rows.size(), 3);
    EXPECT_EQ(texts(all.at(3).rows[1]).at(1), "90 %");
    EXPECT_EQ(texts(all.at(3).rows[2]).first(), optimizer::independenceNote());
    EXPECT_EQ(texts(all.at(4).rows[0]).first(), "INGREDIENTES");
}

TEST(FormulaDocument, WeighingConditionsAndTheSheetFollowTheIngredients) {
    workspace::Workspace ws = smallFormula(); // as fed: Maíz 560, Soja 440
    ws.ingredientsDry = false;
    ws.ingredients[0].paso = 5;
    ws.ingredients[2].paso = 5;
    ws.ingredients[2].minimoSiSeUsa = 100;
    ws.redondear = true;
    ZipReader zip(printing::odtPackage(printing::imprimeWord(ws, sampleTexts(), kToday)));
    QDomDocument content = parse(zip.read("content.xml"));
    const QList<Table> all = tables(content, Styles(content));
    ASSERT_EQ(all.size(), 6);
    EXPECT_EQ(texts(all.at(3).rows[0]).first(), "INGREDIENTES");
    ASSERT_EQ(all.at(4).rows.size(), 3);
    EXPECT_EQ(texts(all.at(4).rows[1]), QStringList({"Redondear a la pesada", "Sí"}));
    EXPECT_EQ(texts(all.at(4).rows[2]), QStringList({"Mínimo si se usa: Soja", "100.00"}));
    ASSERT_EQ(all.at(5).rows.size(), 4);
    EXPECT_EQ(texts(all.at(5).rows[0]), QStringList({"HOJA DE PESADA", "Pasos", "Cantidad (kg)"}));
    EXPECT_EQ(texts(all.at(5).rows[1]).first(), "Balanza de paso 5 kg");
    EXPECT_EQ(texts(all.at(5).rows[2]), QStringList({"Maíz", "112 × 5 kg", "560.00"}));
    EXPECT_EQ(texts(all.at(5).rows[3]), QStringList({"Soja", "88 × 5 kg", "440.00"}));

    // Without rounding the conditions stay and the sheet goes.
    ws.redondear = false;
    ZipReader plain(printing::odtPackage(printing::imprimeWord(ws, sampleTexts(), kToday)));
    QDomDocument second = parse(plain.read("content.xml"));
    const QList<Table> five = tables(second, Styles(second));
    ASSERT_EQ(five.size(), 5);
    EXPECT_EQ(texts(five.at(4).rows[0]).first(), "CONDICIONES DE PESADA");
}
