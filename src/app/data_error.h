#pragma once

#include <QString>

namespace app {

// Error number of a record that is past the end or was deleted by someone else.
inline constexpr int kErrNoCurrentRecord = 3021;

// What the error view says when a data-bound editor reports a database error.
QString dataErrorText(int number);

// Records the error as the most recent one and returns the text the error view then shows.
QString reportDataError(int number, const QString& description);

} // namespace app
