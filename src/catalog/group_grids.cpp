#include "catalog/group_grids.h"

namespace catalog {

grid::GridContent groupGrid(const std::vector<IngredientGroup>& groups) {
    std::vector<std::vector<QVariant>> rows;
    for (const IngredientGroup& g : groups)
        rows.push_back({g.id, g.nombre});
    return grid::gridContent({QStringLiteral("id_grupo"), QStringLiteral("nombre")}, rows,
                             {grid::Column({}, 0), grid::Column(QStringLiteral("Grupo"), 3000)});
}

grid::GridContent memberGrid(const std::vector<GroupMember>& members) {
    std::vector<std::vector<QVariant>> rows;
    for (const GroupMember& m : members)
        rows.push_back({m.idProducto, m.codigo, m.nombre});
    return grid::gridContent(
        {QStringLiteral("id_producto"), QStringLiteral("codigo"), QStringLiteral("nombre")}, rows,
        {grid::Column({}, 0), grid::Column(QStringLiteral("Código"), 1200),
         grid::Column(QStringLiteral("Descripción"), 3500)});
}

} // namespace catalog
