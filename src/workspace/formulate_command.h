#pragma once

#include <QStringList>

namespace workspace {

// `dosivant formulate ...`: loads a stored formula, runs the least-cost formulation exactly as
// the workspace's button does, prints the result and writes nothing. Returns the exit status.
int runFormulateCommand(const QStringList& arguments);

} // namespace workspace
