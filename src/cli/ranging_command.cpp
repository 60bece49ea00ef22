#include "cli/ranging_command.h"
#include "app/messages.h"

#include "app/format.h"
#include "cli/shown_text.h"
#include "formulas/formula_lookup.h"
#include "optimizer/ranging_target.h"
#include "store/database.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>
#include <exception>

namespace cli {

namespace {

QString json(const lp::Blend& blend, const optimizer::RangingTarget& target, const lp::Ranging& r,
             const optimizer::RangingLabels& labels) {
    QJsonObject o;
    o.insert("parametro", optimizer::targetCaption(blend, target));
    if (const auto v = optimizer::currentValue(blend, target))
        o.insert("valor_actual", *v);
    QJsonArray tramos;
    for (const lp::RangingInterval& i : r.tramos) {
        QJsonObject t;
        t.insert("desde", i.desde);
        t.insert("hasta", i.hasta);
        t.insert("costo_desde", i.costoDesde);
        t.insert("costo_hasta", i.costoHasta);
        t.insert(labels.slopeKey, i.pendiente);
        tramos.append(t);
    }
    o.insert("tramos", tramos);
    if (r.infactibleDesde)
        o.insert("infactible_desde", *r.infactibleDesde);
    if (r.infactibleHasta)
        o.insert("infactible_hasta", *r.infactibleHasta);
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact)) + '\n';
}

QString table(const lp::Blend& blend, const optimizer::RangingTarget& target, const lp::Ranging& r,
              const optimizer::RangingLabels& labels, double desde, double hasta) {
    QString out;
    QTextStream s(&out);
    s << optimizer::targetCaption(blend, target) << " de " << fmt::format(desde, "0.00####")
      << " a " << fmt::format(hasta, "0.00####") << "\n";
    if (const auto v = optimizer::currentValue(blend, target))
        s << "Valor actual: " << fmt::format(*v, "0.00####") << "\n";
    s << labels.parameter << " / " << labels.cost << "\n\n";
    for (const QString& line : optimizer::rangingLines(r, labels))
        s << line << "\n";
    return out;
}

} // namespace

int runRanging(const RangingOptions& o, QString* output, QTextStream& err) {
    try {
        auto db = store::Database::openFile(o.database, store::Database::OpenMode::ReadOnly);
        const int id = formulas::findFormula(*db, {o.code, o.version, o.id});
        const QString named = o.code.isEmpty() ? QString::number(o.id) : shownText(o.code);
        if (id == 0) {
            err << "No existe la fórmula " << named << '\n';
            return 1;
        }
        workspace::Notices notices;
        const std::optional<optimizer::StoredBlend> stored =
            optimizer::loadStoredBlend(*db, id, &notices);
        for (const workspace::Notice& n : notices)
            msg::msgBox(n.text, n.kind, n.title);
        if (!stored) {
            err << "La fórmula " << named << " no se puede formular\n";
            return 1;
        }
        const lp::Blend& blend = stored->blend;
        QString error;
        const std::optional<optimizer::RangingTarget> target =
            o.precio.isEmpty() ? optimizer::limitTarget(blend, o.limite, &error, stored->codes)
                               : optimizer::priceTarget(blend, o.precio, &error, stored->codes);
        if (!target) {
            err << shownLine(error) << '\n';
            return 1;
        }
        const lp::Ranging r = optimizer::rangeTarget(blend, *target, o.desde, o.hasta);
        const optimizer::RangingLabels labels =
            optimizer::rangingLabels(blend, *target, stored->units);
        if (r.status == lp::RangingStatus::Infeasible && o.json) {
            *output = json(blend, *target, r, labels);
            return 3;
        }
        if (r.status != lp::RangingStatus::Ok) {
            err << optimizer::rangingProblem(r, *target) << '\n';
            return r.status == lp::RangingStatus::Infeasible ? 3 : 1;
        }
        *output = o.json ? json(blend, *target, r, labels)
                         : table(blend, *target, r, labels, o.desde, o.hasta);
        return 0;
    } catch (const std::exception& e) {
        err << "Error de base de datos: " << shownLine(QString::fromUtf8(e.what())) << '\n';
        return 1;
    }
}

} // namespace cli
