#pragma once

#include "workspace/notice.h"
#include "workspace/workspace_edits.h"

#include <QString>

namespace workspace {

// Whether a grid column is bound to the named field (names compare without case).
bool isField(const QString& field, const char* name);

// A refused value or action as the user is told it: a critical notice with the text.
Notice refusal(const QString& text);

// Leaves the refusal in what the edit tells the user and returns the edit, records untouched, so
// a check can end with `return refuse(r, text);`.
EditResult& refuse(EditResult& r, const QString& text);

} // namespace workspace
