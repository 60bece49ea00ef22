#pragma once

#include <QString>

namespace store {

// How a message quotes a statement: "[TEXT]", TEXT cut after kQuotedStatementLength characters
// with "…", so that a failed batch of rows names its statement without filling the screen.
inline constexpr int kQuotedStatementLength = 240;
QString quotedStatement(const QString& sql);

} // namespace store
