#include "cli/command.h"

#include "app/number_text.h"
#include "cli/shown_text.h"

#include <QCommandLineParser>
#include <QRegularExpression>
#include <cmath>
#include <limits>

namespace cli {

QString Command::parseError(const QCommandLineParser& parser, const QStringList& arguments) const {
    return refusal(parser, arguments);
}

QString refusal(const QCommandLineParser& parser, const QStringList& arguments) {
    if (!parser.unknownOptionNames().isEmpty()) {
        const QString name = parser.unknownOptionNames().first();
        QString typed = (name.size() == 1 ? "-" : "--") + name;
        for (const QString& a : arguments.mid(1))
            if (a == "--" + name || a.startsWith("--" + name + '='))
                typed = a.section('=', 0, 0);
        return QStringLiteral("opción desconocida: %1 (unknown option)").arg(shownText(typed));
    }
    // Qt's other texts name the option as typed: "Missing value after '--database'."
    static const QRegularExpression missing(QStringLiteral("^Missing value after '(.*)'\\.$"));
    static const QRegularExpression unexpected(
        QStringLiteral("^Unexpected value after '(.*)'\\.$"));
    const QString text = parser.errorText();
    if (const QRegularExpressionMatch m = missing.match(text); m.hasMatch())
        return QStringLiteral("falta el valor de %1 (missing value)").arg(shownText(m.captured(1)));
    if (const QRegularExpressionMatch m = unexpected.match(text); m.hasMatch())
        return QStringLiteral("%1 no lleva valor (unexpected value)").arg(shownText(m.captured(1)));
    return shownLine(text);
}

QString Command::mistake(const QString& reason) const {
    return QStringLiteral("dosivant: ") + reason +
           QStringLiteral(" (dosivant --help muestra el uso)\n");
}

const Command* commandNamed(const QString& name) {
    for (const Command* c : commands())
        if (c->name() == name)
            return c;
    return nullptr;
}

std::optional<double> commandNumber(const QString& text) {
    return numtext::toNumber(text);
}

bool wholeNumber(const QString& text, int* value) {
    const std::optional<double> v = commandNumber(text);
    if (!v || *v != std::trunc(*v) || std::abs(*v) > std::numeric_limits<int>::max())
        return false;
    *value = static_cast<int>(*v);
    return true;
}

QString unknownArgument(const QString& argument) {
    return QStringLiteral("argumento no reconocido (unknown argument): %1")
        .arg(shownText(argument));
}

QString spelledAs(const QCommandLineParser& parser, const QStringList& names) {
    QString spelled = names.first();
    for (const QString& given : parser.optionNames())
        if (names.contains(given))
            spelled = given;
    return "--" + spelled;
}

QString noPositionalArguments(const QCommandLineParser& parser) {
    const QStringList positional = parser.positionalArguments();
    return positional.isEmpty() ? QString() : unknownArgument(positional.first());
}

QString readSearchLimits(const QCommandLineParser& parser, long& maxNodos, double& maxSegundos) {
    if (parser.isSet("max-nodes")) {
        bool ok = false;
        const long nodes = parser.value("max-nodes").trimmed().toLong(&ok);
        if (!ok || nodes < 1)
            return QStringLiteral("--max-nodes debe ser un número entero mayor que 0");
        maxNodos = nodes;
    }
    if (parser.isSet("max-seconds")) {
        const std::optional<double> s = commandNumber(parser.value("max-seconds"));
        if (!s || !(*s > 0) || !std::isfinite(*s))
            return QStringLiteral("--max-seconds debe ser un número de segundos mayor que 0");
        maxSegundos = *s;
    }
    return {};
}

QString readFormulaChoice(const QCommandLineParser& parser, FormulaChoice& choice) {
    choice.code = parser.value("formula").trimmed();
    if (parser.isSet("id")) {
        if (!wholeNumber(parser.value("id"), &choice.id) || choice.id <= 0)
            return "Valor no válido para --id: " + shownText(parser.value("id"));
    }
    if (parser.isSet("version")) {
        int version = 0;
        if (!wholeNumber(parser.value("version"), &version) || version < 0)
            return "Valor no válido para --version: " + shownText(parser.value("version"));
        choice.version = version;
    }
    return {};
}

QString formulaChoiceError(const FormulaChoice& choice) {
    if (choice.code.isEmpty() == (choice.id == 0))
        return QStringLiteral("Indique --formula o --id (uno de los dos)");
    if (choice.version && choice.code.isEmpty())
        return QStringLiteral("--version va con --formula");
    return {};
}

QString readDatabaseAndFormula(const QCommandLineParser& parser, QString& database,
                               FormulaChoice& choice) {
    database = parser.value("database");
    if (const QString error = readFormulaChoice(parser, choice); !error.isEmpty())
        return error;
    if (database.isEmpty())
        return QStringLiteral("Falta --database");
    return formulaChoiceError(choice);
}

} // namespace cli
