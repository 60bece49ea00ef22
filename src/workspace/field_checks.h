#pragma once

#include <QString>

namespace workspace {

// Whether a grid column is bound to the named field (names compare without case).
bool isField(const QString& field, const char* name);

// Shows text as a critical message and returns false, so a check can return it.
bool refuse(const QString& text);

} // namespace workspace
