#pragma once

#include "app/messages.h"
#include "workspace/notice.h"

namespace workspace {

// Shows each notice as its message box, in order.
inline void showNotices(const Notices& notices) {
    for (const Notice& n : notices)
        msg::msgBox(n.text, n.kind, n.title);
}

} // namespace workspace
