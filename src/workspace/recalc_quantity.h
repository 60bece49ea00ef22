#pragma once

#include <QString>
#include <optional>

namespace workspace {

// The batch quantity typed into the recalculation dialog: a number above zero, or the message
// that refuses it.
struct RecalcQuantity {
    std::optional<double> quantity;
    QString message;
};

RecalcQuantity checkRecalcQuantity(const QString& text);

// The basis the quantity is on, as the dialog names it.
QString recalcBasisText(bool ingredientsDry);

} // namespace workspace
