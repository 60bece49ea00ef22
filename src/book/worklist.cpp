#include "book/worklist.h"

#include "app/format.h"
#include "book/workspace_bridge.h"
#include "store/database.h"
#include "store/revisions.h"
#include "workspace/formula_save.h"

#include <QSet>
#include <algorithm>
#include <map>

namespace book {

std::vector<ChosenFormula> chooseFormulas(store::Database& db, const Selection& selection,
                                          QStringList* missing) {
    std::map<QString, double> highest;
    if (selection.highestVersionOnly) {
        store::RecordSet rs = db.query(
            QStringLiteral("select codigo,max(version) as ultima from formulas group by codigo"));
        for (rs.moveFirst(); !rs.eof(); rs.moveNext())
            highest[rs.toString(QStringLiteral("codigo")).trimmed()] =
                rs.toDouble(QStringLiteral("ultima"));
    }
    QSet<QString> named;
    for (const QString& code : selection.codes)
        named.insert(code.trimmed());
    QSet<QString> found;
    std::vector<ChosenFormula> chosen;
    store::RecordSet rs = db.query(formulas::searchStatement(selection.filter));
    for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
        ChosenFormula f{rs.toInt(QStringLiteral("id_formula")),
                        rs.toString(QStringLiteral("codigo")).trimmed(),
                        rs.toString(QStringLiteral("producto")).trimmed(),
                        rs.toDouble(QStringLiteral("version"))};
        if (!named.isEmpty() && !named.contains(f.codigo))
            continue;
        found.insert(f.codigo);
        if (selection.highestVersionOnly && highest.count(f.codigo) &&
            f.version != highest[f.codigo])
            continue;
        chosen.push_back(f);
    }
    std::sort(chosen.begin(), chosen.end(), [](const ChosenFormula& a, const ChosenFormula& b) {
        if (a.codigo != b.codigo)
            return a.codigo < b.codigo;
        return a.version < b.version || (a.version == b.version && a.idFormula < b.idFormula);
    });
    if (missing)
        for (const QString& code : selection.codes)
            if (!found.contains(code.trimmed()) && !missing->contains(code.trimmed()))
                *missing << code.trimmed();
    return chosen;
}

QString outcomeText(Outcome o) {
    switch (o) {
    case Outcome::Optimum:
        return QStringLiteral("óptimo");
    case Outcome::NoLeavingRow:
        return QStringLiteral("óptimo (con aviso)");
    case Outcome::IterationLimit:
        return QStringLiteral("límite de iteraciones");
    case Outcome::Infeasible:
        return QStringLiteral("sin solución");
    case Outcome::NotStandard:
        return QStringLiteral("problema no estándar");
    case Outcome::PrecheckFailed:
        return QStringLiteral("nutriente inalcanzable");
    case Outcome::Invalid:
        return QStringLiteral("no válida");
    case Outcome::NotLoaded:
        return QStringLiteral("no se pudo cargar");
    }
    return {};
}

QString resultText(const WorklistRow& row) {
    const QString text = outcomeText(row.outcome);
    if (!row.entero || row.entero->probado ||
        (row.outcome != Outcome::Optimum && row.outcome != Outcome::NoLeavingRow))
        return text;
    return text.section(u' ', 0, 0) +
           QStringLiteral(" (no probado, brecha %1 %)")
               .arg(fmt::format(row.entero->brecha * 100, QStringLiteral("0.00")));
}

QString outcomeKey(Outcome o) {
    switch (o) {
    case Outcome::Optimum:
        return QStringLiteral("optimum");
    case Outcome::NoLeavingRow:
        return QStringLiteral("no_leaving_row");
    case Outcome::IterationLimit:
        return QStringLiteral("iteration_limit");
    case Outcome::Infeasible:
        return QStringLiteral("infeasible");
    case Outcome::NotStandard:
        return QStringLiteral("not_standard");
    case Outcome::PrecheckFailed:
        return QStringLiteral("precheck_failed");
    case Outcome::Invalid:
        return QStringLiteral("invalid");
    case Outcome::NotLoaded:
        return QStringLiteral("not_loaded");
    }
    return {};
}

std::optional<double> WorklistRow::cambioPorcentual() const {
    if (!costoAnterior || !costoNuevo || *costoAnterior == 0)
        return std::nullopt;
    return (*costoNuevo - *costoAnterior) / *costoAnterior * 100;
}

bool WorklistRow::savable() const {
    return (outcome == Outcome::Optimum || outcome == Outcome::NoLeavingRow) && !versionNueva;
}

struct Reformulation::Held {
    std::optional<FormulaSnapshot> before, after;
    std::shared_ptr<workspace::Workspace> ws;
    workspace::FormulaHeader header;
};

Reformulation::Reformulation() = default;
Reformulation::~Reformulation() = default;
Reformulation::Reformulation(Reformulation&&) noexcept = default;
Reformulation& Reformulation::operator=(Reformulation&&) noexcept = default;

bool Reformulation::run(store::Database& db, const std::vector<ChosenFormula>& formulas,
                        const Control& control) {
    const int total = int(formulas.size());
    // The reads of a group of formulas share one transaction: SQLite then takes its file lock
    // once per group instead of once per statement, which was most of the run's time. Groups
    // keep a writer elsewhere from waiting for the whole run.
    constexpr int kGroup = 100;
    for (int start = 0; start < total; start += kGroup) {
        store::Database::Transaction reading(db);
        // Read with the first formula: a save of any ingredient from here on is seen at the save.
        if (!catalogue_)
            catalogue_ = store::tableRevision(db, QStringLiteral("productos"));
        if (control.cancelled && control.cancelled())
            return false;
        // The group is loaded together; each formula is then formulated in turn.
        const int end = std::min(total, start + kGroup);
        const std::vector<ChosenFormula> group(formulas.begin() + start, formulas.begin() + end);
        bool cancelled = false;
        int done = start;
        reformulate(db, group, control.limits, [&](Reformulated r) {
            rows_.push_back(std::move(r.row));
            held_.push_back(
                {std::move(r.before), std::move(r.after), std::move(r.ws), std::move(r.header)});
            ++done;
            if (control.progress)
                control.progress(done, total);
            cancelled = done < total && control.cancelled && control.cancelled();
            return !cancelled;
        });
        if (cancelled)
            return false;
        try {
            reading.commit();
        } catch (const store::StoreError&) {
            // Only reads ran: a refused end of them loses nothing the run keeps.
        }
    }
    return true;
}

const std::optional<FormulaSnapshot>& Reformulation::before(int row) const {
    return held_.at(size_t(row)).before;
}

const std::optional<FormulaSnapshot>& Reformulation::after(int row) const {
    return held_.at(size_t(row)).after;
}

std::optional<Reformulation::Unsaved> Reformulation::unsaved(int row) const {
    if (row < 0 || row >= int(held_.size()) || !held_[size_t(row)].ws ||
        !rows_[size_t(row)].savable())
        return std::nullopt;
    return Unsaved{*held_[size_t(row)].ws, held_[size_t(row)].header};
}

bool Reformulation::catalogueChanged(store::Database& db) {
    return catalogue_ && store::tableRevision(db, QStringLiteral("productos")) != *catalogue_;
}

std::vector<int> Reformulation::save(store::Database& db, const std::vector<int>& rowIndices) {
    std::vector<int> chosen;
    for (const int r : rowIndices)
        if (r >= 0 && r < int(rows_.size()) && rows_[size_t(r)].savable() && held_[size_t(r)].ws &&
            std::find(chosen.begin(), chosen.end(), r) == chosen.end())
            chosen.push_back(r);
    if (chosen.empty())
        return chosen;
    // Nothing of a row changes before the whole transaction is committed.
    std::vector<std::pair<int, int>> written; // key, version
    store::Database::Transaction tx(db, store::Database::Transaction::WriteLock::Now);
    if (catalogueChanged(db))
        throw store::StaleRowError(kCatalogueChanged);
    for (const int r : chosen) {
        int version = 0;
        const int id = workspace::saveNewVersion(db, *held_[size_t(r)].ws,
                                                 rows_[size_t(r)].idFormula, &version);
        written.emplace_back(id, version);
    }
    tx.commit();
    for (size_t i = 0; i < chosen.size(); ++i) {
        WorklistRow& row = rows_[size_t(chosen[i])];
        row.idNuevo = written[i].first;
        row.versionNueva = written[i].second;
        held_[size_t(chosen[i])].ws.reset(); // saved: the mix lives in the database now
    }
    return chosen;
}

QString Reformulation::summary() const {
    int dearer = 0, cheaper = 0, same = 0, without = 0;
    for (const WorklistRow& r : rows_) {
        const std::optional<double> change = r.cambioPorcentual();
        if (!r.costoNuevo)
            ++without;
        else if (change && *change > 0.005)
            ++dearer;
        else if (change && *change < -0.005)
            ++cheaper;
        else
            ++same;
    }
    return QStringLiteral("%1 fórmulas: %2 más caras, %3 más baratas, %4 sin cambio, %5 sin "
                          "nueva mezcla")
        .arg(rows_.size())
        .arg(dearer)
        .arg(cheaper)
        .arg(same)
        .arg(without);
}

} // namespace book
