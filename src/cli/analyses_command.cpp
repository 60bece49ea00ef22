#include "app/date_text.h"
#include "app/format.h"
#include "app/regional_settings.h"
#include "catalog/lab_analyses.h"
#include "catalog/price_list_file.h"
#include "cli/command.h"
#include "cli/shown_text.h"
#include "store/database.h"

#include <QCommandLineParser>
#include <QTextStream>

namespace cli {

namespace {

struct AnalysesOptions {
    QString database;
    QString from;
    bool yes = false;
};

void printPreview(const catalog::AnalysisPreview& p, QTextStream& out) {
    out << QStringLiteral("Análisis de laboratorio %1 (separador «%2», decimales con «%3»)\n")
               .arg(shownLine(p.fileName), p.separator, p.decimalMark);
    for (const catalog::AnalysisRow& r : p.rows)
        out << QStringLiteral("  línea %1: %2 %3, %4, %5, lote «%6»: %7\n")
                   .arg(r.line)
                   .arg(shownText(r.codigo), shownText(r.nombre), shownText(r.propiedad),
                        datetext::formatDate(r.fecha), shownText(r.lote),
                        fmt::format(r.valor, QString()));
    if (!p.conflicts.empty()) {
        out << QStringLiteral("Conflictos (no se guardan):\n");
        for (const catalog::AnalysisConflict& c : p.conflicts)
            out << QStringLiteral("  línea %1, código «%2»: %3\n")
                       .arg(c.line)
                       .arg(shownText(c.codigo), shownLine(c.reason));
    }
    out << catalog::analysesSummary(p) << u'\n';
}

// Reads the analyses, prints what would be stored and the conflicts; with --yes stores them in
// one transaction. Without --yes the database is opened read-only: nothing is written.
int runAnalyses(const AnalysesOptions& o, app::RegionalSettings& settings, QTextStream& out,
                QTextStream& err) {
    const QString head = QStringLiteral("dosivant analyses: ");
    std::unique_ptr<store::Database> db;
    try {
        db = store::Database::openFile(o.database, o.yes ? store::Database::OpenMode::ReadWrite
                                                         : store::Database::OpenMode::ReadOnly);
    } catch (const store::StoreError& e) {
        err << head << shownLine(e.message()) << u'\n';
        return 1;
    }
    catalog::AnalysisPreview preview;
    try {
        preview = catalog::previewAnalysesFile(*db, o.from, catalog::decimalMarkOf(settings));
    } catch (const catalog::LabAnalysisError& e) {
        err << head << shownLine(e.message()) << u'\n';
        return 1;
    } catch (const store::StoreError& e) {
        err << head << shownLine(e.message()) << u'\n';
        return 1;
    }
    printPreview(preview, out);
    const int done = preview.conflicts.empty() ? 0 : 3;
    if (!o.yes) {
        out << QStringLiteral("No se guardó nada (guarde los análisis con --yes).\n");
        return done;
    }
    if (preview.rows.empty()) {
        out << catalog::kNoAnalysesToInsert << u'\n';
        return done;
    }
    try {
        out << catalog::insertedAnalysesMessage(catalog::insertAnalyses(*db, preview)) << u'\n';
    } catch (const store::StoreError& e) {
        err << head << QStringLiteral("no se guardó ningún análisis: ") << shownLine(e.message())
            << u'\n';
        return 1;
    }
    return done;
}

class AnalysesCommand final : public CommandWith<AnalysesOptions> {
public:
    QString name() const override { return QStringLiteral("analyses"); }
    QString synopsis() const override {
        return QStringLiteral("  dosivant analyses --database RUTA --from ANALISIS.csv [--yes]\n"
                              "      muestra (y con --yes guarda) análisis de laboratorio de "
                              "ingredientes\n");
    }
    std::vector<OptionSpec> options() const override {
        return {
            kDatabaseOption,
            {{"from"}, "ANALISIS", "los análisis, un archivo CSV (obligatoria)"},
            {{"yes"}, {}, "guarda los análisis (sin esta opción solo los muestra)"},
        };
    }
    QString usage() const override {
        return QStringLiteral(
            "Uso: dosivant analyses --database RUTA --from ANALISIS.csv [--yes]\n\n"
            "Lee análisis de laboratorio o NIR (columnas codigo, propiedad, fecha, lote y valor, "
            "separadas\npor ; o por ,; la propiedad por su nombre; la fecha dd/mm/aaaa o "
            "aaaa-mm-dd; el valor en la\nunidad y base de la composición, con los decimales que "
            "diga la configuración regional) y\nmuestra qué análisis se guardarían y qué líneas "
            "tienen conflictos. Con --yes los guarda,\ntodos juntos o ninguno.\n\n"
            "Opciones:\n");
    }
    QString usageEnd() const override {
        return QStringLiteral(
            "\nEstado de salida: 0 hecho; 3 hecho, con líneas en conflicto que no se guardan; 1 "
            "error de uso,\ndel archivo o de la base de datos (no se guardó nada).\n");
    }
    QString read(const QCommandLineParser& parser, AnalysesOptions& o) const override {
        if (const QString error = noPositionalArguments(parser); !error.isEmpty())
            return error;
        o.database = parser.value("database");
        o.from = parser.value("from");
        o.yes = parser.isSet("yes");
        if (o.database.isEmpty())
            return QStringLiteral("Falta --database");
        if (o.from.isEmpty())
            return QStringLiteral("Falta --from");
        return {};
    }
    // Numbers in the file are read as the user's regional settings write them.
    int run(const AnalysesOptions& o, QTextStream& out, QTextStream& err) const override {
        app::IniRegionalSettings settings;
        return runAnalyses(o, settings, out, err);
    }
};

} // namespace

const Command& analysesCommand() {
    static const AnalysesCommand command;
    return command;
}

} // namespace cli
