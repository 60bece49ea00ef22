#pragma once

#include <QString>

namespace catalog {

// A check that stops an action: the message (shown with the critical icon) and the control,
// by object name, that takes the focus back.
struct Refusal {
    QString message;
    QString control;

    bool operator==(const Refusal&) const = default;
};

} // namespace catalog
