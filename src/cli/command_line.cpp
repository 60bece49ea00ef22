#include "cli/command_line.h"

#include "cli/shown_text.h"

#include <QCommandLineParser>
#include <QTextStream>
#include <vector>

namespace cli {

namespace {

const OptionSpec kHelp{{"h", "help"}, {}, "muestra esta ayuda"};

const std::vector<OptionSpec>& programOptions() {
    static const std::vector<OptionSpec> options = {
        {{"database"}, "RUTA", "abre la ventana con la base de datos RUTA"},
        kHelp,
        {{"v", "version"}, {}, "muestra la versión del programa"},
    };
    return options;
}

// A command's options and --help, which every command answers.
std::vector<OptionSpec> optionsOf(const Command& command) {
    std::vector<OptionSpec> options = command.options();
    options.push_back(kHelp);
    return options;
}

void configure(QCommandLineParser& parser, const std::vector<OptionSpec>& options) {
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    for (const OptionSpec& o : options)
        parser.addOption(QCommandLineOption(o.names + o.formerNames, o.description, o.valueName));
}

QString dashed(const QString& name) {
    return (name.size() == 1 ? "-" : "--") + name;
}

constexpr int kHelpWidth = 100;
constexpr int kDescriptionColumn = 26;

// `head`, then the words (pieces no line breaks) one space apart in lines of at most kHelpWidth
// columns, the lines after the first starting at column `indent`.
QString wrapped(QString head, const QStringList& words, int indent) {
    QString out;
    bool lineHasWords = !head.isEmpty() && !head.endsWith(u' '); // a space before the first
    QString line = std::move(head);
    for (const QString& word : words) {
        if (lineHasWords && line.size() + 1 + word.size() > kHelpWidth) {
            out += line + u'\n';
            line = QString(indent, u' ');
            lineHasWords = false;
        }
        if (lineHasWords)
            line += u' ';
        line += word;
        lineHasWords = true;
    }
    return out + line + u'\n';
}

// One option a line: its names, then what it does from one column on (on the next line when
// the names reach it), wrapped to the help's width.
QString optionList(const std::vector<OptionSpec>& options) {
    QString out;
    for (const OptionSpec& o : options) {
        QStringList names;
        for (const QString& n : o.names)
            names << dashed(n);
        QString left = "  " + names.join(", ");
        if (!o.valueName.isEmpty())
            left += ' ' + o.valueName;
        if (left.size() + 2 > kDescriptionColumn) {
            out += left + u'\n';
            left.clear();
        }
        out += wrapped(left.leftJustified(kDescriptionColumn),
                       o.description.split(u' ', Qt::SkipEmptyParts), kDescriptionColumn);
    }
    return out;
}

// The names options had before, each beside the one that replaces it ("--precio = --price"),
// or empty when there are none.
QStringList formerNames(const std::vector<OptionSpec>& options) {
    QStringList pairs;
    for (const OptionSpec& o : options)
        for (const QString& former : o.formerNames)
            if (const QString pair = dashed(former) + " = " + dashed(o.names.first());
                !pairs.contains(pair))
                pairs << pair;
    return pairs;
}

QString formerNamesNote(const QStringList& pairs) {
    if (pairs.isEmpty())
        return {};
    QStringList words;
    for (const QString& pair : pairs)
        words << pair + (words.size() + 1 < pairs.size() ? u',' : u'.');
    return u'\n' +
           wrapped(QStringLiteral("Los nombres anteriores de las opciones siguen valiendo:"), words,
                   0);
}

Invocation invalid(const QString& error) {
    Invocation inv;
    inv.kind = Invocation::Invalid;
    inv.error = error;
    return inv;
}

// The arguments after the command's name, with the program's name in front as the parser wants.
Invocation parseCommand(const Command& c, const QStringList& arguments) {
    QCommandLineParser parser;
    configure(parser, optionsOf(c));
    Invocation inv;
    if (!parser.parse(arguments)) {
        inv = invalid(c.parseError(parser, arguments));
    } else if (parser.isSet("help")) {
        inv.kind = Invocation::Help;
        inv.helpText = helpOf(c);
    } else if (Parsed parsed = c.parse(parser); parsed.ready) {
        inv.kind = Invocation::Run;
        inv.ready = std::move(parsed.ready);
    } else {
        inv = invalid(parsed.error);
    }
    inv.command = c.name();
    return inv;
}

// Options of the window system: name and whether a value follows.
struct WindowSystemOption {
    const char* name;
    bool takesValue;
};
constexpr WindowSystemOption kWindowSystemOptions[] = {
    {"platform", true},
    {"platformpluginpath", true},
    {"platformtheme", true},
    {"plugin", true},
    {"qwindowgeometry", true},
    {"geometry", true},
    {"qwindowicon", true},
    {"icon", true},
    {"qwindowtitle", true},
    {"title", true},
    {"style", true},
    {"stylesheet", true},
    {"session", true},
    {"display", true},
    {"name", true},
    {"reverse", false},
    {"widgetcount", false},
    {"nograb", false},
    {"dograb", false},
    {"testability", false},
};

const WindowSystemOption* windowSystemOption(const QString& arg, bool* valueAttached) {
    if (!arg.startsWith('-') || arg == QStringLiteral("-") || arg == QStringLiteral("--"))
        return nullptr;
    QString name = arg.mid(arg.startsWith(QStringLiteral("--")) ? 2 : 1);
    *valueAttached = name.contains('=');
    name = name.section('=', 0, 0);
    for (const WindowSystemOption& o : kWindowSystemOptions)
        if (name == QLatin1String(o.name))
            return &o;
    return nullptr;
}

} // namespace

QString helpOf(const Command& c) {
    const std::vector<OptionSpec> options = optionsOf(c);
    return c.usage() + optionList(options) + formerNamesNote(formerNames(options)) + c.usageEnd();
}

Invocation parseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    configure(parser, programOptions());
    // A command's own options follow its name; the command's parser reads them.
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    if (!parser.parse(arguments))
        return invalid(refusal(parser, arguments));
    const QStringList positional = parser.positionalArguments();
    const QString program = arguments.value(0, QStringLiteral("dosivant"));
    if (const Command* command = positional.isEmpty() ? nullptr : commandNamed(positional[0])) {
        if (parser.isSet("database"))
            return invalid(QStringLiteral("--database va después de la orden %1")
                               .arg(shownText(positional[0])));
        return parseCommand(*command, QStringList{program} + positional.mid(1));
    }
    Invocation inv;
    if (parser.isSet("help")) {
        inv.kind = Invocation::Help;
        inv.helpText = usageText();
        return inv;
    }
    if (parser.isSet("version")) {
        inv.kind = Invocation::Version;
        return inv;
    }
    if (!positional.isEmpty())
        return invalid(QStringLiteral("orden desconocida (unknown command): %1")
                           .arg(shownText(positional[0])));
    if (parser.isSet("database")) {
        inv.database = parser.value("database");
        if (inv.database.isEmpty())
            return invalid(QStringLiteral("--database necesita una ruta "
                                          "(--database needs a path)"));
    }
    return inv;
}

QStringList withoutWindowSystemOptions(const QStringList& arguments) {
    QStringList out;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        bool attached = false;
        const WindowSystemOption* o = i > 0 ? windowSystemOption(arguments[i], &attached) : nullptr;
        if (!o) {
            out << arguments[i];
            continue;
        }
        if (o->takesValue && !attached)
            ++i;
    }
    return out;
}

bool displayAvailable(const QStringList& arguments) {
    for (const char* variable : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        if (!qEnvironmentVariableIsEmpty(variable))
            return true;
    for (const QString& a : arguments) {
        bool attached = false;
        const WindowSystemOption* o = windowSystemOption(a, &attached);
        if (o && QLatin1String(o->name) == QLatin1String("platform"))
            return true;
    }
    return false;
}

bool needsFonts(const Invocation& inv) {
    return inv.ready && inv.ready->needsFonts();
}

QString usageText() {
    QString text = QStringLiteral("Uso (usage):\n"
                                  "  dosivant [--database RUTA]\n"
                                  "      abre la ventana principal con la base de datos RUTA\n");
    for (const Command* c : commands())
        text += c->synopsis();
    text += QStringLiteral("  dosivant --help | --version\n"
                           "\n"
                           "Opciones del programa:\n") +
            optionList(programOptions());
    QStringList former;
    for (const Command* c : commands()) {
        const std::vector<OptionSpec> options = optionsOf(*c);
        text += QStringLiteral("\nOpciones de %1:\n").arg(c->name()) + optionList(options);
        for (const QString& pair : formerNames(options))
            if (!former.contains(pair))
                former << pair;
    }
    return text + formerNamesNote(former) +
           QStringLiteral(
               "\nLa base de datos es la de --database; si no se indica, la de la variable "
               "DOSIVANT_DB;\nsi tampoco, $XDG_DATA_HOME/Dosivant/Dosivant.db.\n"
               "Un error en la línea de órdenes termina con el estado 1.\n");
}

int runWithoutWindow(const Invocation& inv, QTextStream& out, QTextStream& err) {
    switch (inv.kind) {
    case Invocation::Help:
        out << inv.helpText;
        return 0;
    case Invocation::Version:
        out << QStringLiteral("Dosivant ") << kProgramVersion << u'\n';
        return 0;
    case Invocation::Invalid:
        if (const Command* command = commandNamed(inv.command)) {
            err << command->mistake(inv.error);
            return 1;
        }
        err << QStringLiteral("dosivant: ") << inv.error
            << QStringLiteral(" (dosivant --help muestra el uso)\n");
        return 1;
    case Invocation::Run:
        if (inv.ready)
            return inv.ready->run(out, err);
        break;
    case Invocation::Window:
        break;
    }
    err << QStringLiteral("dosivant: la ventana no se abre desde aquí (no window here)\n");
    return 1;
}

} // namespace cli
