#pragma once

#include "app/messages.h"

#include <QString>
#include <vector>

namespace workspace {

// A message a rule leaves for whoever ran it: a window shows it as a message box of its kind
// (a msg::Style) under its title, a batch keeps its text for its report.
struct Notice {
    QString text;
    int kind = msg::Plain;
    QString title = msg::kDefaultTitle;
};

using Notices = std::vector<Notice>;

// The notices as one line, as a batch reports them: each on one line (a blank line between its
// parts becomes ": "), joined by " / ".
QString joinedNotices(const Notices& notices);

} // namespace workspace
