#include "workspace/workspace.h"

#include <algorithm>

namespace workspace {

namespace {

template <typename Rows> auto byId(Rows& rows, int id) -> decltype(rows.data()) {
    const auto it =
        std::find_if(rows.begin(), rows.end(), [id](const auto& r) { return r.id == id; });
    return it == rows.end() ? nullptr : &*it;
}

} // namespace

FormulaIngredient* findIngredient(Workspace& ws, int id) {
    return byId(ws.ingredients, id);
}

const FormulaIngredient* findIngredient(const Workspace& ws, int id) {
    return byId(ws.ingredients, id);
}

FormulaNutrient* findNutrient(Workspace& ws, int id) {
    return byId(ws.nutrients, id);
}

} // namespace workspace
