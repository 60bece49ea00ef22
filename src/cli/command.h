#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

class QCommandLineParser;
class QTextStream;

namespace cli {

// One option of a command: its names (the help shows them all), the name of its value (empty
// for a switch), what it does, and the names it had before, which the parser still accepts and
// the help mentions once, after the options.
struct OptionSpec {
    QStringList names;
    QString valueName;
    QString description;
    QStringList formerNames = {};
};

// A command line that was understood: a command with its options, ready to run.
class ParsedCommand {
public:
    virtual ~ParsedCommand() = default;
    virtual int run(QTextStream& out, QTextStream& err) const = 0;
    // Whether the run lays out printed text, which needs a GUI application (fonts).
    virtual bool needsFonts() const = 0;
};

// What a command makes of its parsed line: the command ready to run, or why the line cannot be
// used (one line, in the command's words).
struct Parsed {
    std::shared_ptr<const ParsedCommand> ready;
    QString error;
};

// A command of the program: its name, its lines in the program's help, its options and its own
// help, how the parsed line becomes something to run. Each lives in its own file and is listed
// once in the table of commands (cli/command_table.cpp).
class Command {
public:
    virtual ~Command() = default;
    virtual QString name() const = 0;
    virtual QString synopsis() const = 0;                // its lines in the program's help
    virtual std::vector<OptionSpec> options() const = 0; // --help comes with every command
    virtual QString usage() const = 0;                   // its help: this, the options, usageEnd
    virtual QString usageEnd() const { return {}; }
    virtual Parsed parse(const QCommandLineParser& parser) const = 0;
    // The reason when the parser refuses the line (an unknown option, a missing value); the
    // program's words (refusal()) unless the command has its own.
    virtual QString parseError(const QCommandLineParser& parser,
                               const QStringList& arguments) const;
    // How a mistake in the line is reported, whole: by default one line that points to --help.
    virtual QString mistake(const QString& reason) const;
};

// A command whose parsed line is an options struct and whose run takes it.
template <class Options> class CommandWith : public Command {
public:
    class Ready final : public ParsedCommand {
    public:
        explicit Ready(const CommandWith& command) : command_(command) {}
        int run(QTextStream& out, QTextStream& err) const override {
            return command_.run(options, out, err);
        }
        bool needsFonts() const override { return command_.needsFonts(options); }
        Options options;

    private:
        const CommandWith& command_;
    };

    // Fills the options from the parsed line, or returns why they cannot be used.
    virtual QString read(const QCommandLineParser& parser, Options& options) const = 0;
    virtual int run(const Options& options, QTextStream& out, QTextStream& err) const = 0;
    virtual bool needsFonts(const Options&) const { return false; }

    Parsed parse(const QCommandLineParser& parser) const final {
        auto ready = std::make_shared<Ready>(*this);
        if (QString error = read(parser, ready->options); !error.isEmpty())
            return {nullptr, error};
        return {ready, {}};
    }
};

// Why the parser refused the line, in Spanish with Qt's English words after it: an unknown
// option as it was typed, an option without its value, a switch given a value.
QString refusal(const QCommandLineParser& parser, const QStringList& arguments);

// The commands of the program, in the order the help lists them.
const std::vector<const Command*>& commands();
const Command* commandNamed(const QString& name);

// What the commands share when they read their options.

// A command-line number, read as the window reads a typed one: "." before the decimals, no
// thousands separator, so "1,5" and "1,000" are no numbers.
std::optional<double> commandNumber(const QString& text);
// A number that is whole and fits an int ("12", "1e3").
bool wholeNumber(const QString& text, int* value);
QString unknownArgument(const QString& argument);
// An option as the line spelled it ("--desde" or "--from-value": the names of one option, the
// last one given), so a message names what the user typed; the first name when none was given.
QString spelledAs(const QCommandLineParser& parser, const QStringList& names);
// The reason when the line has arguments that are no option, or empty.
QString noPositionalArguments(const QCommandLineParser& parser);

// The stored formula a command names: --formula CODE [--version N] or --id ID.
struct FormulaChoice {
    QString code;
    int id = 0;
    std::optional<int> version;
};
inline const OptionSpec kFormulaOption{{"formula"},
                                       "CODIGO",
                                       "la fórmula de ese código (su "
                                       "versión más alta)"};
inline const OptionSpec kVersionOption{{"version"},
                                       "N",
                                       "con --formula: la versión N de la "
                                       "fórmula"};
inline const OptionSpec kIdOption{{"id"}, "ID", "la fórmula de ese id (en lugar de --formula)"};
inline const OptionSpec kDatabaseOption{{"database"}, "RUTA", "la base de datos (obligatoria)"};
inline const OptionSpec kJsonOption{
    {"json"}, {}, "el resultado como un objeto JSON en lugar de una tabla"};

// The limits of a search for a mix the mill can weigh, for the commands that formulate.
inline const OptionSpec kMaxNodesOption{
    {"max-nodes", "max-nodos"},
    "N",
    "con condiciones de pesada, detener la búsqueda tras N nodos (si no, sin límite)"};
inline const OptionSpec kMaxSecondsOption{
    {"max-seconds", "max-segundos"},
    "S",
    "con condiciones de pesada, detener la búsqueda tras S segundos (si no, sin límite)"};
// Reads --max-nodes and --max-seconds where given (the values are left alone where not); the
// reason when one is no limit (not a whole number of nodes above 0, not a number of seconds
// above 0), or empty.
QString readSearchLimits(const QCommandLineParser& parser, long& maxNodos, double& maxSegundos);

// Reads the choice; the reason when --id or --version is not a valid number, or empty.
QString readFormulaChoice(const QCommandLineParser& parser, FormulaChoice& choice);
// The reason when the options do not name exactly one formula, or empty.
QString formulaChoiceError(const FormulaChoice& choice);
// --database and the formula chosen, read and checked in the order every stored-formula command
// reports them: a bad --id or --version, then a missing --database, then the choice itself.
QString readDatabaseAndFormula(const QCommandLineParser& parser, QString& database,
                               FormulaChoice& choice);

} // namespace cli
