#include "cli/list_command.h"

#include "cli/command.h"

#include <QCommandLineParser>

namespace cli {

QString readListOptions(const QCommandLineParser& parser, ListOptions& o) {
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

} // namespace cli
