#include "app/regional_settings.h"
#include "catalog/ingredients.h"
#include "catalog/price_list.h"
#include "store/revisions.h"
#include "support/fault_sweep.h"
#include "support/temp_database.h"

#include <QStringEncoder>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using catalog::PriceListError;
using catalog::readPriceList;

namespace {

// Regional settings that say only the decimal separator.
class DecimalSettings : public app::RegionalSettings {
public:
    explicit DecimalSettings(std::optional<QString> mark) : mark_(std::move(mark)) {}
    std::optional<QString> read(app::LocaleItem item) override {
        return item == app::LocaleItem::DecimalSeparator ? mark_ : QStringLiteral("x");
    }
    bool write(app::LocaleItem, const QString&) override { return false; }

private:
    std::optional<QString> mark_;
};

catalog::PriceListFile read(const QByteArray& content, QChar mark = u'.') {
    return readPriceList(content, QStringLiteral("lista.csv"), mark);
}

// "line:code:cost:dry matter:problem" for each line, Null for a missing number.
QStringList lines(const catalog::PriceListFile& f) {
    const auto n = [](const std::optional<double>& v) {
        return v ? QString::number(*v) : QStringLiteral("Null");
    };
    QStringList out;
    for (const auto& l : f.lines)
        out << QStringLiteral("%1:%2:%3:%4:%5")
                   .arg(l.line)
                   .arg(l.codigo, n(l.costo), n(l.materiaSeca), l.problem);
    return out;
}

QString refusal(const QByteArray& content) {
    try {
        read(content);
    } catch (const PriceListError& e) {
        return e.message();
    }
    return {};
}

QString writeFile(const QTemporaryDir& dir, const QByteArray& content) {
    const QString path = dir.filePath("lista.csv");
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(content);
    return path;
}

int idOf(store::Database& db, const QString& code) {
    return db.query("select id_producto from productos where trim(codigo)='" + code + "'")
        .valueAt(0, 0)
        .toInt();
}

QString snapshot(store::Database& db) {
    return queryRows(db, {"select * from productos order by id_producto",
                          "select * from precio_historial order by id_producto,fecha",
                          "select * from revisiones order by tabla,id"});
}

} // namespace

TEST(PriceListFile, SeparatorFromTheHeaderAndDecimalMarkFromTheRegionalSettings) {
    DecimalSettings comma(","), point("."), unreadable(std::nullopt);
    EXPECT_EQ(catalog::decimalMarkOf(comma), u',');
    EXPECT_EQ(catalog::decimalMarkOf(point), u'.');
    EXPECT_EQ(catalog::decimalMarkOf(unreadable), u'.');

    // Semicolons with decimal commas, as a spreadsheet in Spanish saves it.
    const auto semi = read("codigo;costo;materia_seca\nMAIZ;0,195;88,5\nSOJA44;0,41;\n", u',');
    EXPECT_EQ(semi.separator, u';');
    EXPECT_TRUE(semi.hasMateriaSeca);
    EXPECT_EQ(lines(semi), QStringList({"2:MAIZ:0.195:88.5:", "3:SOJA44:0.41:Null:"}));
    // The same numbers with the other mark are not numbers: a "." could be a thousands separator.
    EXPECT_EQ(lines(read("codigo;costo\nMAIZ;0.195\n", u',')),
              QStringList({"2:MAIZ:Null:Null:el costo «0.195» no es un número"}));

    // Commas with decimal points; columns in any order, captions in any case or accent, other
    // columns left alone.
    const auto commas = read("Nombre,COSTO,Código\nMaíz,0.2,MAIZ\nSoja,1e-1,SOJA44\n");
    EXPECT_EQ(commas.separator, u',');
    EXPECT_FALSE(commas.hasMateriaSeca);
    EXPECT_EQ(lines(commas), QStringList({"2:MAIZ:0.2:Null:", "3:SOJA44:0.1:Null:"}));
    EXPECT_EQ(lines(read("codigo,costo\nMAIZ,\"0,2\"\n", u'.')),
              QStringList({"2:MAIZ:Null:Null:el costo «0,2» no es un número"}));

    // With commas on both sides a decimal comma must be quoted; unquoted it makes a field too many.
    EXPECT_EQ(lines(read("codigo,costo\n\"MAIZ\",\"0,25\"\nSOJA44,0,4\n", u',')),
              QStringList({"2:MAIZ:0.25:Null:",
                           "3:SOJA44:Null:Null:tiene más campos que la primera línea (¿un número "
                           "con coma decimal sin comillas?)"}));
}

TEST(PriceListFile, QuotesByteOrderMarksLineEndsAndEncodings) {
    // Quoted fields with the separator and a doubled quote; CRLF; blank lines keep numbering.
    const auto quoted =
        read("\"codigo\";\"costo\"\r\n\"A;1\";\"2.5\"\r\n\r\n\"B\"\"X\";3\r\n;;\r\n\"C;4\n");
    EXPECT_EQ(
        lines(quoted),
        QStringList({"2:A;1:2.5:Null:", "4:B\"X:3:Null:", "6::Null:Null:comillas sin cerrar"}));
    // A UTF-8 byte-order mark before the header; an old Mac's CR line ends.
    EXPECT_EQ(lines(read("\xEF\xBB\xBF"
                         "codigo;costo\rÑANDÚ;1\r")),
              QStringList({"2:ÑANDÚ:1:Null:"}));
    // UTF-16 with its mark, as a spreadsheet's "Unicode text" is saved.
    QStringEncoder utf16(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
    const QByteArray wide = utf16(QStringLiteral("codigo;costo\nÑANDÚ;2\n"));
    EXPECT_EQ(lines(read(wide)), QStringList({"2:ÑANDÚ:2:Null:"}));
    // A file that is not UTF-8 is read as Latin-1.
    EXPECT_EQ(lines(read(QByteArray("codigo;costo\n\xD1"
                                    "AND\xDA;3\n"))),
              QStringList({"2:ÑANDÚ:3:Null:"}));
}

TEST(PriceListFile, FilesThatAreNotPriceListsAreRefusedWithTheirReason) {
    const QString notText = "El archivo lista.csv no es un archivo de texto: una lista de precios "
                            "es un archivo CSV (guarde la planilla como «CSV»).";
    EXPECT_EQ(refusal(QByteArray("PK\x03\x04\x14\x00\x06\x00", 8)), notText); // a spreadsheet
    EXPECT_EQ(refusal(QByteArray("codigo;costo\nA;1\x01\n")), notText);
    EXPECT_EQ(refusal(""), "El archivo lista.csv está vacío.");
    EXPECT_EQ(refusal(" \r\n\n"), "El archivo lista.csv está vacío.");
    const QString notAList =
        "El archivo lista.csv no es una lista de precios: su primera línea debe nombrar las "
        "columnas codigo y costo (y, si se quiere, materia_seca), separadas por punto y coma o "
        "por comas.";
    EXPECT_EQ(refusal("codigo costo\nA 1\n"), notAList); // no separator
    EXPECT_EQ(refusal("codigo;precio\nA;1\n"), notAList);
    EXPECT_EQ(refusal("Hola, mundo\n"), notAList);
    EXPECT_EQ(refusal("codigo;costo;Costo\nA;1;2\n"),
              "El archivo lista.csv nombra dos veces la columna costo.");
    // However short its lines, a file of more than 2,000,000 is not a price list.
    const QByteArray blankLines(1999998, '\n');
    EXPECT_EQ(read("codigo;costo\n" + blankLines + "A;1").lines.size(), 1u);
    EXPECT_EQ(read("codigo;costo\n" + blankLines + "A;1\n").lines.size(), 1u);
    EXPECT_EQ(refusal("codigo;costo\n" + blankLines + "A;1\nB;2"),
              "El archivo lista.csv tiene más de 2000000 líneas: es demasiado largo para una "
              "lista de precios.");

    QTemporaryDir dir;
    try {
        catalog::readPriceListFile(dir.filePath("nada.csv"), u'.');
        ADD_FAILURE() << "a missing file was read";
    } catch (const PriceListError& e) {
        EXPECT_EQ(e.message(), "No existe el archivo " + dir.filePath("nada.csv") + ".");
    }
    EXPECT_THROW(catalog::readPriceListFile(dir.path(), u'.'), PriceListError); // a folder
}

TEST(PriceListPreview, ChangesAndEveryKindOfConflictWithItsLine) {
    TempDatabase t(true);
    store::Database& db = t.db();
    const auto preview = catalog::previewPriceList(
        db,
        read("codigo;costo;materia_seca\n"
             "MAIZ;0,19;88\n"      // 2: cost and dry matter change
             "SOJA44;0,34;\n"      // 3: unchanged, dry matter kept
             "NOEXISTE;1;90\n"     // 4: unknown code
             "TRIGO;abc;88\n"      // 5: not a number
             "SORGO;-0,1;88\n"     // 6: negative
             "CEBADA;0,2;0\n"      // 7: dry matter 0
             "AFRECHO;0,2;100,5\n" // 8: dry matter above 100
             "PESCADO;1,6;92\n"    // 9: repeated on line 11, neither applied
             ";1;1\n"              // 10: no code
             "PESCADO;1,7;92\n"    // 11
             "CANOLA;0;100\n",     // 12: a cost of 0 and dry matter 100 are fine
             u','),
        "lista.csv");
    QStringList conflicts;
    for (const auto& c : preview.conflicts)
        conflicts << QString::number(c.line) + "|" + c.codigo + "|" + c.reason;
    EXPECT_EQ(
        conflicts,
        QStringList({"4|NOEXISTE|el código no está en el catálogo",
                     "5|TRIGO|el costo «abc» no es un número", "6|SORGO|el costo -0,1 es negativo",
                     "7|CEBADA|la materia seca 0 no está entre 0 (excluido) y 100",
                     "8|AFRECHO|la materia seca 100,5 no está entre 0 (excluido) y 100",
                     "9|PESCADO|el código se repite en la línea 11", "10||falta el código"}));
    ASSERT_EQ(preview.rows.size(), 3u);
    const catalog::PriceListRow& maiz = preview.rows[0];
    EXPECT_EQ(maiz.line, 2);
    EXPECT_EQ(maiz.idProducto, idOf(db, "MAIZ"));
    EXPECT_EQ(maiz.nombre, "Maíz amarillo grano");
    EXPECT_EQ(maiz.before, (catalog::StoredPrice{0.173, 89}));
    EXPECT_EQ(maiz.after, (catalog::StoredPrice{0.19, 88}));
    EXPECT_NEAR(*maiz.costChangePercent(), 9.8266, 1e-4);
    EXPECT_FALSE(preview.rows[1].changes());
    EXPECT_EQ(preview.rows[1].after.materiaSeca, 89);
    EXPECT_TRUE(preview.rows[2].changes());
    EXPECT_EQ(*preview.rows[2].costChangePercent(), -100);
    EXPECT_EQ(preview.changeCount(), 2);

    EXPECT_EQ(catalog::previewSummary(preview),
              "2 ingredientes cambian de precio; 1 sin cambios; 8 líneas con conflictos no se "
              "aplican.");
    EXPECT_EQ(catalog::askApply(preview), "¿Aplica los cambios de precio de 2 ingredientes?\n\n"
                                          "Las 8 líneas con conflictos no se aplican.");
    EXPECT_EQ(catalog::appliedMessage(1), "Se actualizó el precio de 1 ingrediente.");
    EXPECT_EQ(catalog::appliedMessage(2), "Se actualizaron los precios de 2 ingredientes.");

    // The grid: every usable line, the unchanged one dimmed; the variation signed.
    const grid::GridContent g = catalog::priceListGrid(preview);
    ASSERT_EQ(g.rowCount(), 3);
    ASSERT_EQ(g.columnCount(), 8);
    EXPECT_EQ(g.header[7].text, "M.S. nueva");
    QStringList first;
    for (int c = 0; c < g.columnCount(); ++c)
        first << g.cell(0, c).text;
    EXPECT_EQ(first, QStringList({"2", "MAIZ", "Maíz amarillo grano", "0.1730", "0.1900", "+9.83 %",
                                  "89.00", "88.00"}));
    EXPECT_EQ(g.cell(2, 5).text, "-100.00 %");
    EXPECT_FALSE(g.cell(0, 0).background);
    EXPECT_EQ(g.cell(1, 3).background, grid::kDimmed);
    EXPECT_EQ(catalog::conflictGrid(preview).cell(0, 2).text, "el código no está en el catálogo");
}

TEST(PriceListPreview, ARepeatedCodeIsOneConflictAtItsFirstLineNamingOrCountingTheOthers) {
    TempDatabase t(true);
    store::Database& db = t.db();
    const auto conflictsOf = [](const catalog::PriceListPreview& p) {
        QStringList out;
        for (const auto& c : p.conflicts)
            out << QString::number(c.line) + "|" + c.codigo + "|" + c.reason;
        return out;
    };
    // A few repeats are named; a line of a repeated code with its own fault says it as well.
    const auto few = catalog::previewPriceList(db,
                                               read("codigo;costo\n"
                                                    "MAIZ;0.2\n"   // 2
                                                    "SOJA44;0.4\n" // 3
                                                    "MAIZ;0.21\n"  // 4
                                                    "TRIGO;0.2\n"  // 5: the one applied
                                                    "MAIZ;0.22\n"  // 6
                                                    "SOJA44;x\n"   // 7
                                                    "SORGO;1\n"    // 8: five lines of SORGO
                                                    "SORGO;1\n"
                                                    "SORGO;1\n"
                                                    "\n"
                                                    "SORGO;1\n" // 12
                                                    "SORGO;1\n" // 13
                                                    "MAIZ;0.23\n"),
                                               "lista.csv");
    EXPECT_EQ(conflictsOf(few),
              QStringList({"2|MAIZ|el código se repite en las líneas 4, 6 y 14",
                           "3|SOJA44|el código se repite en la línea 7",
                           "7|SOJA44|el costo «x» no es un número",
                           "8|SORGO|el código se repite en otras 4 líneas, entre la 9 y la 13"}));
    ASSERT_EQ(few.rows.size(), 1u);
    EXPECT_EQ(few.rows[0].codigo, "TRIGO");
    EXPECT_EQ(catalog::previewSummary(few), "1 ingrediente cambia de precio; 0 sin cambios; 11 "
                                            "líneas con conflictos no se aplican.");

    // Many repeats stay one conflict, whatever their number.
    QByteArray many = "codigo;costo\nTRIGO;0.2\n";
    for (int i = 0; i < 50000; ++i)
        many += "MAIZ;0.2\n";
    const auto repeated = catalog::previewPriceList(db, read(many), "lista.csv");
    EXPECT_EQ(conflictsOf(repeated),
              QStringList({"3|MAIZ|el código se repite en otras 49999 líneas, entre la 4 y la "
                           "50002"}));
    EXPECT_EQ(repeated.rows.size(), 1u);
    EXPECT_EQ(catalog::askApply(repeated), "¿Aplica el cambio de precio de 1 ingrediente?\n\n"
                                           "Las 50000 líneas con conflictos no se aplican.");
}

TEST(PriceListApply, WritesEveryChangeWithItsHistoryOrNothingAtAll) {
    TempDatabase t(true);
    store::Database& db = t.db();
    const auto preview = catalog::previewPriceList(
        db, read("codigo,costo,materia_seca\nMAIZ,0.19,88\nSOJA44,0.34,\nTRIGO,0.2,\n"),
        "lista.csv");
    const int maiz = idOf(db, "MAIZ"), trigo = idOf(db, "TRIGO");
    const int trigoRevision = store::readRevision(db, "productos", trigo);
    const QDateTime when(QDate(2026, 3, 2), QTime(10, 15, 0, 250));

    // A failure at any statement leaves prices, history and counters as they were.
    const int statements = failAtEveryStatement(
        db, [&] { return snapshot(db); },
        [&] { EXPECT_EQ(catalog::applyPriceList(db, preview, when), 2); });
    // Per change: the price read, the update, the counter (update, then insert), the look for an
    // earlier history, the price before the change and the change itself.
    EXPECT_EQ(statements, 14);

    EXPECT_EQ(catalog::storedPrice(db, maiz), (catalog::StoredPrice{0.19, 88}));
    EXPECT_EQ(catalog::storedPrice(db, trigo), (catalog::StoredPrice{0.2, 88}));
    const auto history = catalog::lastPrices(db, trigo);
    ASSERT_EQ(history.size(), 2u); // the sample came without history: the price before is kept
    EXPECT_EQ(history[0].origen, "lista de precios");
    EXPECT_EQ(history[0].price, (catalog::StoredPrice{0.2, 88}));
    EXPECT_EQ(history[0].fecha.toString("dd/MM/yyyy HH:mm:ss"), "02/03/2026 10:15:00");
    EXPECT_EQ(history[1].origen, "precio anterior");
    for (const catalog::PriceListRow& row : preview.rows)
        if (row.idProducto == trigo) {
            EXPECT_EQ(history[1].price, row.before);
        }
    EXPECT_TRUE(catalog::lastPrices(db, idOf(db, "SOJA44")).empty()); // unchanged: no row
    // An editor that loaded the ingredient before the list cannot write its old price back.
    EXPECT_EQ(store::readRevision(db, "productos", trigo), trigoRevision + 1);

    // The same preview again: the prices it read are gone, so nothing is applied.
    const QString applied = snapshot(db);
    EXPECT_THROW(catalog::applyPriceList(db, preview), store::StaleRowError);
    EXPECT_EQ(snapshot(db), applied);
    // Read again, the list changes nothing.
    QTemporaryDir dir;
    const QString path =
        writeFile(dir, "codigo,costo,materia_seca\nMAIZ,0.19,88\nSOJA44,0.34,\nTRIGO,0.2,\n");
    const auto again = catalog::previewPriceListFile(db, path, u'.');
    EXPECT_EQ(again.changeCount(), 0);
    EXPECT_EQ(catalog::applyPriceList(db, again), 0);
    EXPECT_EQ(snapshot(db), applied);
}
