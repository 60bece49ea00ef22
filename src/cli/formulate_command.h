#pragma once

#include <QStringList>

namespace cli {

// `dosivant formulate ...`: loads a stored formula, runs the least-cost formulation exactly as
// the workspace's button does, prints the result and writes nothing. Returns the exit status.
int runFormulateCommand(const QStringList& arguments);
// The same, with what it would print on standard output returned in `output`.
int runFormulateCommand(const QStringList& arguments, QString* output);

} // namespace cli
