#include "cli/command.h"

namespace cli {

// The program's commands, in the order its help lists them: one line each, naming the function
// that returns the command's object, defined in the command's own file.
#define DOSIVANT_COMMANDS(COMMAND)                                                                 \
    COMMAND(createDatabaseCommand)                                                                 \
    COMMAND(formulateCommand)                                                                      \
    COMMAND(rangingCommand)                                                                        \
    COMMAND(tradeoffCommand)                                                                       \
    COMMAND(planCommand)                                                                           \
    COMMAND(printCommand)                                                                          \
    COMMAND(reportCommand)                                                                         \
    COMMAND(importCommand)                                                                         \
    COMMAND(copyDatabaseCommand)                                                                   \
    COMMAND(reformulateCommand)                                                                    \
    COMMAND(pricesCommand)                                                                         \
    COMMAND(compositionsCommand)                                                                   \
    COMMAND(analysesCommand)

#define DOSIVANT_DECLARE_COMMAND(function) const Command& function();
DOSIVANT_COMMANDS(DOSIVANT_DECLARE_COMMAND)
#undef DOSIVANT_DECLARE_COMMAND

const std::vector<const Command*>& commands() {
#define DOSIVANT_COMMAND_ENTRY(function) &function(),
    static const std::vector<const Command*> table = {DOSIVANT_COMMANDS(DOSIVANT_COMMAND_ENTRY)};
#undef DOSIVANT_COMMAND_ENTRY
    return table;
}

} // namespace cli
