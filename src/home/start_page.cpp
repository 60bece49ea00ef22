#include "home/start_page.h"

#include "app/date_text.h"
#include "book/worklist.h"
#include "store/database.h"
#include "store/server_address.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <algorithm>
#include <map>

namespace home {

namespace {

// A stored date: the engine's own date or date-time, or an ISO text ("2026-03-02",
// "2026-03-02 10:15:00").
QDate dateOf(const QVariant& value) {
    if (!value.isValid() || value.isNull())
        return {};
    if (value.typeId() == QMetaType::QDate)
        return value.toDate();
    if (value.typeId() == QMetaType::QDateTime)
        return value.toDateTime().date();
    return QDate::fromString(value.toString().trimmed().left(10), Qt::ISODate);
}

// SQLite keeps the text as written ("2026-03-02 10:15:00.250"); the server hands back its own.
std::optional<QDateTime> momentOf(const QVariant& value) {
    if (!value.isValid() || value.isNull())
        return std::nullopt;
    if (value.typeId() == QMetaType::QDateTime)
        return value.toDateTime();
    QString text = value.toString().trimmed();
    text.replace(u' ', u'T');
    QDateTime parsed = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!parsed.isValid())
        parsed = QDateTime::fromString(text, Qt::ISODate);
    if (!parsed.isValid())
        return std::nullopt;
    return parsed;
}

std::optional<double> numberOf(const QVariant& value) {
    if (!value.isValid() || value.isNull())
        return std::nullopt;
    return value.toDouble();
}

int countOf(const QVariant& value) {
    return int(value.toLongLong());
}

Counts readCounts(store::Database& db) {
    Counts c;
    db.forEachRow(QStringLiteral("select (select count(*) from productos),"
                                 "(select count(*) from propiedades),"
                                 "(select count(distinct codigo) from formulas),"
                                 "(select count(*) from formulas),"
                                 "(select count(*) from planes)"),
                  {}, [&](const store::Database::Row& r) {
                      c.ingredientes = countOf(r[0]);
                      c.nutrientes = countOf(r[1]);
                      c.formulas = countOf(r[2]);
                      c.versiones = countOf(r[3]);
                      c.planes = countOf(r[4]);
                  });
    return c;
}

// The book as a re-formulation chooses it, each with its date of change, newest first.
std::vector<RecentFormula> readBook(store::Database& db) {
    const std::vector<book::ChosenFormula> chosen = book::chooseFormulas(db, book::Selection{});
    QHash<int, QDate> changed;
    db.forEachRow(QStringLiteral("select id_formula,fecha_modificacion from formulas"), {},
                  [&](const store::Database::Row& r) {
                      changed.insert(int(r[0].toLongLong()), dateOf(r[1]));
                  });
    std::vector<RecentFormula> out;
    out.reserve(chosen.size());
    for (const book::ChosenFormula& f : chosen)
        out.push_back({f.idFormula, f.codigo, f.producto, f.version, changed.value(f.idFormula)});
    // Newest first; a formula without a date last; on one day, the one stored last first.
    std::sort(out.begin(), out.end(), [](const RecentFormula& a, const RecentFormula& b) {
        if (a.fechaModificacion.isValid() != b.fechaModificacion.isValid())
            return a.fechaModificacion.isValid();
        if (a.fechaModificacion != b.fechaModificacion)
            return a.fechaModificacion > b.fechaModificacion;
        return a.idFormula > b.idFormula;
    });
    return out;
}

// Every row of a formula whose cost or dry matter differs from the catalogue's, Null against a
// figure included.
PriceChanges readPriceChanges(store::Database& db, const std::vector<RecentFormula>& bookRows) {
    PriceChanges changes;
    changes.formulasLibro = int(bookRows.size());
    QSet<int> inBook;
    for (const RecentFormula& f : bookRows)
        inBook.insert(f.idFormula);

    const auto differs = [](const char* column) {
        const QString a = QStringLiteral("fp.") + QLatin1String(column);
        const QString b = QStringLiteral("p.") + QLatin1String(column);
        return QStringLiteral("(%1<>%2 or (%1 is null and %2 is not null) or "
                              "(%1 is not null and %2 is null))")
            .arg(a, b);
    };
    QSet<int> formulas;
    std::map<int, ChangedIngredient> ingredients;
    db.forEachRow(QStringLiteral("select fp.id_formula,fp.id_producto,p.nombre,p.costo from "
                                 "formula_producto fp, productos p where "
                                 "fp.id_producto=p.id_producto and (") +
                      differs("costo") + QStringLiteral(" or ") + differs("materia_seca") +
                      QStringLiteral(")"),
                  {}, [&](const store::Database::Row& r) {
                      const int formula = int(r[0].toLongLong());
                      if (!inBook.contains(formula))
                          return;
                      formulas.insert(formula);
                      const int id = int(r[1].toLongLong());
                      ChangedIngredient& i = ingredients[id];
                      i.idProducto = id;
                      i.nombre = r[2].toString().trimmed();
                      i.costoHoy = numberOf(r[3]);
                      ++i.formulas;
                  });
    changes.formulas = int(formulas.size());

    if (!ingredients.empty()) {
        QStringList ids;
        for (const auto& [id, i] : ingredients)
            ids << QString::number(id);
        db.forEachRow(QStringLiteral("select id_producto,max(fecha) from precio_historial where "
                                     "id_producto in (") +
                          ids.join(u',') + QStringLiteral(") group by id_producto"),
                      {}, [&](const store::Database::Row& r) {
                          auto it = ingredients.find(int(r[0].toLongLong()));
                          if (it == ingredients.end())
                              return;
                          it->second.ultimoCambio = momentOf(r[1]);
                          const auto& when = it->second.ultimoCambio;
                          if (when && (!changes.ultimoCambio || *when > *changes.ultimoCambio))
                              changes.ultimoCambio = when;
                      });
    }
    for (auto& [id, i] : ingredients)
        changes.ingredientes.push_back(std::move(i));
    std::sort(changes.ingredientes.begin(), changes.ingredientes.end(),
              [](const ChangedIngredient& a, const ChangedIngredient& b) {
                  if (a.formulas != b.formulas)
                      return a.formulas > b.formulas;
                  return a.nombre.localeAwareCompare(b.nombre) < 0;
              });
    return changes;
}

QString plural(int n, const QString& one, const QString& many) {
    return QString::number(n) + u' ' + (n == 1 ? one : many);
}

} // namespace

QString DatabaseDescription::windowTitle() const {
    const QString dash = QStringLiteral("Dosivant — ");
    if (!server)
        return dash + path;
    return dash + database + QStringLiteral(" en ") + host + u':' + QString::number(port) +
           QStringLiteral(" (") + user + u')';
}

QString DatabaseDescription::statusText() const {
    if (!server)
        return QStringLiteral("Archivo: ") + path;
    return QStringLiteral("Servidor: ") + host + u':' + QString::number(port) +
           QStringLiteral(" · Base: ") + database + QStringLiteral(" · Usuario: ") + user;
}

DatabaseDescription describeDatabase(const store::Database& db) {
    DatabaseDescription d;
    if (!db.isServer()) {
        d.path = QDir::toNativeSeparators(QFileInfo(db.path()).absoluteFilePath());
        return d;
    }
    const store::ServerAddress address = store::parseServerAddress(db.path());
    d.server = true;
    d.host = address.host;
    d.port = address.port;
    d.database = address.database;
    d.user = address.user;
    return d;
}

StartPage readStartPage(store::Database& db, int recentCount) {
    StartPage page;
    page.database = describeDatabase(db);
    page.counts = readCounts(db);
    std::vector<RecentFormula> bookRows = readBook(db);
    page.prices = readPriceChanges(db, bookRows);
    if (int(bookRows.size()) > recentCount)
        bookRows.resize(size_t(std::max(recentCount, 0)));
    page.recent = std::move(bookRows);
    return page;
}

grid::GridContent recentGrid(const std::vector<RecentFormula>& recent) {
    const std::vector<grid::Column> columns = {
        {QStringLiteral("Código"), 1400, grid::kLeft},
        {QStringLiteral("Producto"), 2400, grid::kLeft},
        {QStringLiteral("Versión"), 800, grid::kRight},
        {QStringLiteral("Modificada"), 1300, grid::kLeft},
    };
    std::vector<std::vector<QVariant>> rows;
    for (const RecentFormula& f : recent)
        rows.push_back(
            {f.codigo, f.producto, f.version, datetext::formatDate(f.fechaModificacion)});
    return grid::gridContent({QStringLiteral("codigo"), QStringLiteral("producto"),
                              QStringLiteral("version"), QStringLiteral("fecha_modificacion")},
                             rows, columns);
}

grid::GridContent changedIngredientsGrid(const PriceChanges& changes) {
    const std::vector<grid::Column> columns = {
        {QStringLiteral("Ingrediente"), 2400, grid::kLeft},
        {QStringLiteral("Costo hoy"), 1100, grid::kRight, QStringLiteral("#####0.0000")},
        {QStringLiteral("Fórmulas"), 1000, grid::kRight},
        {QStringLiteral("Último cambio"), 1300, grid::kLeft},
    };
    std::vector<std::vector<QVariant>> rows;
    for (const ChangedIngredient& i : changes.ingredientes) {
        if (int(rows.size()) == kChangedShown)
            break;
        rows.push_back({i.nombre, i.costoHoy ? QVariant(*i.costoHoy) : QVariant(), i.formulas,
                        i.ultimoCambio ? datetext::formatDate(i.ultimoCambio->date()) : QString()});
    }
    return grid::gridContent({QStringLiteral("nombre"), QStringLiteral("costo"),
                              QStringLiteral("formulas"), QStringLiteral("ultimo_cambio")},
                             rows, columns);
}

QString priceSummary(const PriceChanges& c) {
    if (c.formulasLibro == 0)
        return QStringLiteral("No hay fórmulas guardadas.");
    if (c.formulas == 0)
        return QStringLiteral("Todas las fórmulas tienen los costos y la materia seca de hoy.");
    QString text =
        QStringLiteral("%1 de %2 tienen costos o materia seca distintos de los de hoy "
                       "(%3).")
            .arg(c.formulas)
            .arg(plural(c.formulasLibro, QStringLiteral("fórmula"), QStringLiteral("fórmulas")),
                 plural(int(c.ingredientes.size()), QStringLiteral("ingrediente"),
                        QStringLiteral("ingredientes")));
    if (c.ultimoCambio)
        text += QStringLiteral(" Último cambio de precio: ") +
                datetext::formatDate(c.ultimoCambio->date()) + u'.';
    return text;
}

QStringList countLines(const Counts& c) {
    return {QStringLiteral("Ingredientes: %1").arg(c.ingredientes),
            QStringLiteral("Nutrientes: %1").arg(c.nutrientes),
            QStringLiteral("Fórmulas: %1 (%2)")
                .arg(c.formulas)
                .arg(plural(c.versiones, QStringLiteral("versión"), QStringLiteral("versiones"))),
            QStringLiteral("Planes de producción: %1").arg(c.planes)};
}

QString noRecentText() {
    return QStringLiteral("Todavía no hay fórmulas: créelas en Fórmulas → Administración de "
                          "Fórmulas.");
}

} // namespace home
