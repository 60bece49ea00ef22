#include "workspace/composition_matrix.h"

#include "store/database.h"
#include "workspace/workspace.h"

#include <QHash>
#include <vector>

namespace workspace {

namespace {

const char* const kFigures[] = {"cantidad_seca", "porcentaje_seca", "cantidad_humeda",
                                "porcentaje_humeda"};

} // namespace

void buildComposition(Workspace& ws, store::Database& db) {
    using store::FieldType;
    store::RecordSet m;
    m.appendField("id_producto", FieldType::Integer32);
    m.appendField("nombre", FieldType::Char, 100);
    for (const char* f : kFigures)
        m.appendField(f, FieldType::Double, 0, true);
    m.appendField("sep", FieldType::Char, 1);

    QHash<int, int> fieldOfNutrient;
    for (const FormulaNutrient& n : ws.nutrients) {
        const int id = n.id;
        fieldOfNutrient.insert(id, m.fieldCount());
        m.appendField(QString::number(id), FieldType::Double, 0, true);
    }
    std::vector<double> totals(size_t(m.fieldCount()), 0.0);

    store::RecordSet& p = ws.rsProductos;
    for (p.moveFirst(); !p.eof(); p.moveNext()) {
        m.addNew();
        m.setValue("id_producto", p.value("id_producto"));
        m.setValue("nombre", p.value("nombre"));
        for (const char* f : kFigures) {
            m.setValue(f, p.value(f));
            totals[size_t(m.fieldIndex(f))] += p.toDouble(f);
        }
        store::RecordSet comp =
            db.query("select pp.*,p.materia_seca from producto_propiedad pp, productos p where "
                     "pp.id_producto=p.id_producto and pp.id_producto=" +
                     QString::number(p.toInt("id_producto")));
        for (comp.moveFirst(); !comp.eof(); comp.moveNext()) {
            const auto field = fieldOfNutrient.constFind(comp.toInt("id_propiedad"));
            if (field == fieldOfNutrient.constEnd())
                continue; // a nutrient the formula does not limit
            const double contribution =
                ws.vSecaNut ? comp.toDouble("valor") * p.toDouble("porcentaje_seca")
                            : comp.toDouble("valor") * (comp.toDouble("materia_seca") / 100) *
                                  p.toDouble("porcentaje_humeda");
            m.setValue(*field, contribution);
            totals[size_t(*field)] += contribution;
        }
        m.update();
    }

    m.addNew();
    for (const char* f : kFigures)
        m.setValue(f, totals[size_t(m.fieldIndex(f))]);
    for (const int field : fieldOfNutrient)
        m.setValue(field, totals[size_t(field)]);
    m.update();
    m.moveFirst();
    ws.rsResultado = std::move(m);
}

} // namespace workspace
