#pragma once

#include "app/messages.h"
#include "workspace/notice.h"

namespace workspace {

// Shows each notice as its message box, in order.
inline void showNotices(const Notices& notices) {
    for (const Notice& n : notices)
        msg::msgBox(n.text, n.kind, n.title);
}

// Shows the notices at once and takes them away, so a redraw handed the same result later does
// not show them a second time.
inline void showNoticesNow(Notices& notices) {
    showNotices(notices);
    notices.clear();
}

} // namespace workspace
