#include "cli/command.h"
#include "cli/print_command.h"

#include <QCommandLineParser>
#include <QTextStream>

namespace cli {

namespace {

const QStringList kLists = {"ingredientes", "nutrientes", "formulas"};

// `report` prints a whole catalogue list; its run lives beside the formula's printout.
class ReportCommand final : public CommandWith<PrintOptions> {
public:
    QString name() const override { return QStringLiteral("report"); }
    QString synopsis() const override {
        return QStringLiteral("  dosivant report (ingredientes|nutrientes|formulas) --database "
                              "RUTA --pdf ARCHIVO\n"
                              "      escribe el informe de la lista completa en PDF\n");
    }
    std::vector<OptionSpec> options() const override {
        return {kDatabaseOption, {{"pdf"}, "ARCHIVO", "el PDF que se escribe (obligatorio)"}};
    }
    QString usage() const override {
        return QStringLiteral("Uso: dosivant report (ingredientes|nutrientes|formulas) --database "
                              "RUTA --pdf ARCHIVO\n\nEscribe el informe de la lista completa en "
                              "PDF.\n\nOpciones:\n");
    }
    QString read(const QCommandLineParser& parser, PrintOptions& o) const override {
        QStringList positional = parser.positionalArguments();
        if (positional.isEmpty() || !kLists.contains(positional.first()))
            return QStringLiteral("Indique el informe: ingredientes, nutrientes o formulas");
        o.list = positional.takeFirst();
        if (!positional.isEmpty())
            return unknownArgument(positional.first());
        o.database = parser.value("database");
        o.pdf = parser.value("pdf");
        if (o.database.isEmpty())
            return QStringLiteral("Falta --database");
        if (o.pdf.isEmpty())
            return QStringLiteral("Falta --pdf");
        return {};
    }
    int run(const PrintOptions& o, QTextStream& out, QTextStream& err) const override {
        return runReport(o, out, err);
    }
    bool needsFonts(const PrintOptions&) const override { return true; }
};

} // namespace

const Command& reportCommand() {
    static const ReportCommand command;
    return command;
}

} // namespace cli
