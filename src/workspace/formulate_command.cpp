#include "workspace/formulate_command.h"

#include <cstdio>

namespace workspace {

int runFormulateCommand(const QStringList&) {
    std::fprintf(stderr, "formulate: not built yet\n");
    return 1;
}

} // namespace workspace
