#include "workspace/workspace.h"

namespace workspace {

using store::FieldType;

Workspace::Workspace() {
    rsProductos.appendField("id_producto", FieldType::Integer32);
    rsProductos.appendField("nombre", FieldType::Char, 100);
    rsProductos.appendField("materia_seca", FieldType::Double, 0, true);
    rsProductos.appendField("costo_seca", FieldType::Double, 0, true);
    rsProductos.appendField("costo_humeda", FieldType::Double, 0, true);
    rsProductos.appendField("sep1", FieldType::Char, 1);
    rsProductos.appendField("minimo", FieldType::Double, 0, true);
    rsProductos.appendField("maximo", FieldType::Double, 0, true);
    rsProductos.appendField("sep2", FieldType::Char, 1);
    rsProductos.appendField("cantidad_seca", FieldType::Double, 0, true);
    rsProductos.appendField("porcentaje_seca", FieldType::Double, 0, true);
    rsProductos.appendField("sep3", FieldType::Char, 1);
    rsProductos.appendField("cantidad_humeda", FieldType::Double, 0, true);
    rsProductos.appendField("porcentaje_humeda", FieldType::Double, 0, true);
    rsProductos.appendField("costo_total", FieldType::Double, 0, true);
    rsProductos.appendField("materiaSecaActual", FieldType::Double, 0, true);
    rsProductos.appendField("costoHumedaActual", FieldType::Double, 0, true);
}

} // namespace workspace
