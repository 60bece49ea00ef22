#include "book/stored_comparison.h"

#include "book/workspace_bridge.h"

namespace book {

std::optional<Comparison> compareStoredFormulas(store::Database& db, int leftId, int rightId,
                                                QString* message) {
    QString why;
    const std::optional<FormulaSnapshot> left = storedSnapshot(db, leftId, &why);
    const std::optional<FormulaSnapshot> right =
        left ? storedSnapshot(db, rightId, &why) : std::nullopt;
    if (!left || !right) {
        if (message)
            *message = QStringLiteral("No se pueden comparar las fórmulas: ") +
                       (why.isEmpty() ? QStringLiteral("una de ellas no existe") : why);
        return std::nullopt;
    }
    return compareFormulas(*left, *right);
}

} // namespace book
