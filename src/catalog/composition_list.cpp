#include "catalog/composition_list.h"

#include "catalog/composition.h"
#include "catalog/composition_history.h"
#include "catalog/list_preview.h"
#include "catalog/nutrient_names.h"
#include "catalog/nutrients.h"
#include "store/database.h"
#include "store/revisions.h"
#include "store/sql_text.h"

#include <QHash>
#include <algorithm>
#include <set>

namespace catalog {

namespace {

const ListFormat& compositionListFormat() {
    static const ListFormat format{
        QStringLiteral("lista de composición"),
        QStringLiteral("El archivo %1 no es una lista de composición: su primera línea debe "
                       "nombrar las columnas codigo, propiedad y valor (y, si se quiere, base, "
                       "fuente y unidad), separadas por punto y coma o por comas."),
        {QStringLiteral("codigo"), QStringLiteral("propiedad"), QStringLiteral("valor")}};
    return format;
}

// "seca" or empty is the dry basis; "humeda" (with or without its accent) a value as fed.
std::optional<bool> asFedBasis(const QString& text) {
    const QString base = text.trimmed().toLower();
    if (base.isEmpty() || base == QStringLiteral("seca"))
        return false;
    if (base == QStringLiteral("humeda") || base == QStringLiteral("húmeda"))
        return true;
    return std::nullopt;
}

CompositionListLine readLine(const ListHeader& header, int number,
                             const std::optional<QStringList>& fields, QChar decimalMark) {
    CompositionListLine line;
    line.line = number;
    if (!fields) {
        line.problem = QStringLiteral("comillas sin cerrar");
        return line;
    }
    const auto cell = [&](const char* column) {
        return listCell(*fields, header.column(QLatin1String(column)));
    };
    line.codigo = cell("codigo");
    line.propiedad = cell("propiedad");
    line.fuente = cell("fuente");
    line.unidad = cell("unidad");
    const QString valor = cell("valor");
    const QString base = cell("base");
    const std::optional<bool> asFed = asFedBasis(base);
    line.asFed = asFed.value_or(false);
    if (line.problem = extraFieldsProblem(*fields, header); !line.problem.isEmpty())
        return line;
    if (line.codigo.isEmpty())
        line.problem = QStringLiteral("falta el código");
    else if (line.propiedad.isEmpty())
        line.problem = QStringLiteral("falta el nutriente (columna propiedad)");
    else if (valor.isEmpty())
        line.problem = QStringLiteral("falta el valor");
    else if (!(line.valor = priceNumber(valor, decimalMark)))
        line.problem = QStringLiteral("el valor «%1» no es un número").arg(valor);
    else if (!asFed)
        line.problem = QStringLiteral("la base «%1» no es humeda ni seca").arg(base);
    else if (line.fuente.size() > 250)
        line.problem = QStringLiteral("la fuente tiene más de 250 caracteres");
    else if (line.unidad.size() > 20)
        line.problem = QStringLiteral("la unidad tiene más de 20 caracteres");
    return line;
}

CompositionListFile compositionListOf(const ListHeader& header,
                                      std::vector<CompositionListLine> lines, QChar decimalMark) {
    CompositionListFile file;
    file.separator = header.separator;
    file.decimalMark = decimalMark;
    file.hasFuente = header.column(QStringLiteral("fuente")) >= 0;
    file.lines = std::move(lines);
    return file;
}

std::optional<double> storedNumber(const QVariant& v) {
    return v.isValid() && !v.isNull() ? std::optional<double>(v.toDouble()) : std::nullopt;
}

QString folded(const QString& name) {
    return name.trimmed().toCaseFolded();
}

struct Ingredient {
    int id = 0;
    QString nombre;
    std::optional<double> materiaSeca;
};

QHash<QString, Ingredient> ingredientsByCode(store::Database& db) {
    QHash<QString, Ingredient> out;
    db.forEachRow(QStringLiteral("select id_producto,codigo,nombre,materia_seca from productos"),
                  {}, [&](const store::Database::Row& row) {
                      out.insert(row[1].toString().trimmed(),
                                 {row[0].toInt(), row[2].toString(), storedNumber(row[3])});
                  });
    return out;
}

qint64 pairKey(int idProducto, int idPropiedad) {
    return (qint64(idProducto) << 32) | quint32(idPropiedad);
}

QString idList(const std::set<int>& ids) {
    QStringList out;
    for (int id : ids)
        out << QString::number(id);
    return out.join(u',');
}

// The stored values and sources of the nutrients the list names, by pair.
struct StoredPairs {
    QHash<qint64, std::optional<double>> valor;
    QHash<qint64, QString> fuente;

    StoredPairs(store::Database& db, const std::set<int>& nutrients) {
        if (nutrients.empty())
            return;
        const QString in = QStringLiteral(" where id_propiedad in (") + idList(nutrients) + u')';
        db.forEachRow(
            QStringLiteral("select id_producto,id_propiedad,valor from producto_propiedad") + in,
            {}, [&](const store::Database::Row& row) {
                valor.insert(pairKey(row[0].toInt(), row[1].toInt()), storedNumber(row[2]));
            });
        db.forEachRow(QStringLiteral("select id_producto,id_propiedad,fuente from "
                                     "producto_propiedad_fuente") +
                          in,
                      {}, [&](const store::Database::Row& row) {
                          fuente.insert(pairKey(row[0].toInt(), row[1].toInt()), row[2].toString());
                      });
    }
};

// "en la línea 7", "en las líneas 7, 9 y 12", "en otras 40 líneas, entre la 7 y la 300".
QString otherLines(const std::vector<int>& lines) {
    const size_t others = lines.size() - 1;
    const QString head = QStringLiteral("el ingrediente y el nutriente se repiten ");
    if (others == 1)
        return head + QStringLiteral("en la línea ") + QString::number(lines[1]);
    if (others > 3)
        return head + QStringLiteral("en otras %1 líneas, entre la %2 y la %3")
                          .arg(others)
                          .arg(lines[1])
                          .arg(lines.back());
    QStringList numbers;
    for (size_t i = 1; i + 1 < lines.size(); ++i)
        numbers << QString::number(lines[i]);
    return head + QStringLiteral("en las líneas ") + numbers.join(QStringLiteral(", ")) +
           QStringLiteral(" y ") + QString::number(lines.back());
}

QString quotedNames(const std::vector<NewNutrient>& nutrients) {
    QStringList names;
    for (const NewNutrient& n : nutrients)
        names << u'«' + n.nombre + u'»';
    if (names.size() == 1)
        return names[0];
    const QString last = names.takeLast();
    return names.join(QStringLiteral(", ")) + QStringLiteral(" y ") + last;
}

[[noreturn]] void stale(const CompositionListRow& row) {
    throw store::StaleRowError(
        QStringLiteral("El valor de %1 del ingrediente %2 (o su fuente, o su materia seca) cambió "
                       "después de leer la lista, o el ingrediente fue eliminado; vuelva a "
                       "leerla.")
            .arg(row.propiedad, row.codigo));
}

void writeValue(store::Database& db, int idProducto, int idPropiedad, double valor) {
    const QString pair = QString::number(idProducto) + u',' + QString::number(idPropiedad);
    if (db.exec(QStringLiteral("update producto_propiedad set valor=") + sql::number(valor) +
                QStringLiteral(" where id_producto=") + QString::number(idProducto) +
                QStringLiteral(" and id_propiedad=") + QString::number(idPropiedad)) == 0)
        db.exec(QStringLiteral("insert into producto_propiedad (id_producto,id_propiedad,valor) "
                               "values (") +
                pair + u',' + sql::number(valor) + u')');
}

void writeSource(store::Database& db, int idProducto, int idPropiedad, const QString& before,
                 const QString& fuente) {
    if (before.isEmpty())
        db.exec(QStringLiteral("insert into producto_propiedad_fuente (id_producto,id_propiedad,"
                               "fuente) values (") +
                QString::number(idProducto) + u',' + QString::number(idPropiedad) + u',' +
                sql::text(fuente) + u')');
    else
        db.exec(QStringLiteral("update producto_propiedad_fuente set fuente=") + sql::text(fuente) +
                QStringLiteral(" where id_producto=") + QString::number(idProducto) +
                QStringLiteral(" and id_propiedad=") + QString::number(idPropiedad));
}

} // namespace

CompositionListFile readCompositionList(const QByteArray& content, const QString& fileName,
                                        QChar decimalMark) {
    std::vector<CompositionListLine> lines;
    const ListHeader header = readListFile(
        content, fileName, compositionListFormat(),
        [&](const ListHeader& h, int number, const std::optional<QStringList>& fields) {
            lines.push_back(readLine(h, number, fields, decimalMark));
        });
    return compositionListOf(header, std::move(lines), decimalMark);
}

CompositionListFile readCompositionListFile(const QString& fileName, QChar decimalMark) {
    std::vector<CompositionListLine> lines;
    const ListHeader header = readListFile(
        fileName, compositionListFormat(),
        [&](const ListHeader& h, int number, const std::optional<QStringList>& fields) {
            lines.push_back(readLine(h, number, fields, decimalMark));
        });
    return compositionListOf(header, std::move(lines), decimalMark);
}

int CompositionListPreview::changeCount() const {
    return int(std::count_if(rows.begin(), rows.end(),
                             [](const CompositionListRow& r) { return r.changes(); }));
}

CompositionListPreview previewCompositionList(store::Database& db, const CompositionListFile& file,
                                              const QString& fileName, bool createNutrients) {
    CompositionListPreview preview;
    preview.fileName = fileName;
    preview.separator = file.separator;
    preview.decimalMark = file.decimalMark;
    preview.lineCount = int(file.lines.size());

    const NutrientNames nutrients(db);
    const QHash<QString, Ingredient> catalogue = ingredientsByCode(db);

    // Each line's nutrient: its key when exactly one answers to the name, else 0.
    std::vector<QList<int>> named;
    std::set<int> listed;
    QHash<QString, std::vector<int>> linesOfPair;
    for (const CompositionListLine& l : file.lines) {
        named.push_back(nutrients.named(l.propiedad));
        if (named.back().size() == 1)
            listed.insert(named.back().front());
        if (!l.codigo.isEmpty() && !l.propiedad.isEmpty()) {
            const QString nutrient = named.back().size() == 1
                                         ? QString::number(named.back().front())
                                         : u'?' + folded(l.propiedad);
            linesOfPair[l.codigo + u'\x1f' + nutrient].push_back(l.line);
        }
    }
    const StoredPairs stored(db, listed);
    QHash<QString, size_t> newByName;

    for (size_t i = 0; i < file.lines.size(); ++i) {
        const CompositionListLine& l = file.lines[i];
        const auto conflict = [&](const QString& reason) {
            preview.conflicts.push_back({l.line, l.codigo, l.propiedad, reason});
        };
        if (!l.problem.isEmpty())
            conflict(l.problem);
        if (!l.codigo.isEmpty() && !l.propiedad.isEmpty()) {
            const QString nutrient = named[i].size() == 1 ? QString::number(named[i].front())
                                                          : u'?' + folded(l.propiedad);
            const std::vector<int>& same = linesOfPair[l.codigo + u'\x1f' + nutrient];
            if (same.size() > 1) {
                if (l.line == same.front())
                    conflict(otherLines(same));
                continue;
            }
        }
        if (!l.problem.isEmpty())
            continue;
        const auto known = catalogue.constFind(l.codigo);
        if (known == catalogue.cend()) {
            conflict(QStringLiteral("el código no está en el catálogo"));
            continue;
        }
        if (named[i].size() > 1) {
            conflict(QStringLiteral("%1 nutrientes se llaman «%2»: cambie el nombre de los que "
                                    "sobran")
                         .arg(named[i].size())
                         .arg(l.propiedad));
            continue;
        }
        if (named[i].isEmpty() && !createNutrients) {
            conflict(QStringLiteral("el nutriente no existe (permita crearlo para aplicar esta "
                                    "línea)"));
            continue;
        }
        CompositionListRow row;
        row.line = l.line;
        row.idProducto = known->id;
        row.codigo = l.codigo;
        row.nombre = known->nombre;
        row.after = *l.valor;
        if (l.asFed) {
            if (!known->materiaSeca || *known->materiaSeca <= 0) {
                conflict(QStringLiteral("el valor es en base húmeda y el ingrediente no tiene "
                                        "materia seca: no se puede pasar a base seca"));
                continue;
            }
            row.materiaSeca = known->materiaSeca;
            row.after = *l.valor * 100 / *known->materiaSeca;
        }
        if (named[i].isEmpty()) {
            row.propiedad = l.propiedad;
            const QString key = folded(l.propiedad);
            if (!newByName.contains(key)) {
                newByName.insert(key, preview.newNutrients.size());
                preview.newNutrients.push_back({l.propiedad, l.unidad, l.line});
            }
            row.fuenteAfter = l.fuente;
        } else {
            row.idPropiedad = named[i].front();
            row.propiedad = nutrients.nameOf(row.idPropiedad);
            const qint64 pair = pairKey(row.idProducto, row.idPropiedad);
            row.before = stored.valor.value(pair);
            row.fuenteBefore = stored.fuente.value(pair);
            row.fuenteAfter = l.fuente.isEmpty() ? row.fuenteBefore : l.fuente;
        }
        preview.rows.push_back(row);
    }
    return preview;
}

CompositionListPreview previewCompositionListFile(store::Database& db, const QString& fileName,
                                                  QChar decimalMark, bool createNutrients) {
    return previewCompositionList(db, readCompositionListFile(fileName, decimalMark), fileName,
                                  createNutrients);
}

CompositionListApplied applyCompositionList(store::Database& db,
                                            const CompositionListPreview& preview,
                                            const QDateTime& fecha) {
    // Each value is read before it is written: the write lock is taken first.
    store::Database::Transaction tx(db, store::Database::Transaction::WriteLock::Now);
    CompositionListApplied applied;
    QHash<QString, int> created;
    if (!preview.newNutrients.empty()) {
        const NutrientNames now(db);
        for (const NewNutrient& n : preview.newNutrients) {
            if (!now.named(n.nombre).isEmpty())
                throw store::StaleRowError(
                    QStringLiteral("El nutriente «%1» fue creado después de leer la lista; vuelva "
                                   "a leerla.")
                        .arg(n.nombre));
            created.insert(folded(n.nombre), createNutrient(db, {n.nombre, n.unidad}));
            ++applied.nutrients;
        }
    }
    std::set<int> ingredients;
    for (const CompositionListRow& row : preview.rows) {
        if (!row.changes())
            continue;
        const int idPropiedad =
            row.createsNutrient() ? created.value(folded(row.propiedad)) : row.idPropiedad;
        const std::optional<StoredPrice> price = storedPrice(db, row.idProducto);
        if (!price || (row.materiaSeca && price->materiaSeca != row.materiaSeca))
            stale(row);
        const StoredComposition before = storedComposition(db, row.idProducto, idPropiedad);
        const QString fuente = compositionSource(db, row.idProducto, idPropiedad);
        if (!row.createsNutrient() && (before.valor != row.before || fuente != row.fuenteBefore))
            stale(row);
        if (before.valor != row.after)
            writeValue(db, row.idProducto, idPropiedad, row.after);
        if (row.fuenteAfter != fuente)
            writeSource(db, row.idProducto, idPropiedad, fuente, row.fuenteAfter);
        recordCompositionChange(db, row.idProducto, idPropiedad, before, {row.after, before.desvio},
                                kOrigenListaComposicion, fecha);
        ingredients.insert(row.idProducto);
        ++applied.values;
    }
    for (int id : ingredients)
        store::raiseRevision(db, QStringLiteral("productos"), id);
    applied.ingredients = int(ingredients.size());
    tx.commit();
    return applied;
}

QString compositionSummary(const CompositionListPreview& p) {
    const int changes = p.changeCount();
    const int same = int(p.rows.size()) - changes;
    const int conflicts = p.conflictLineCount();
    QString text =
        countOf(changes, QStringLiteral("valor cambia"), QStringLiteral("valores cambian")) +
        QStringLiteral("; ") + QString::number(same) + QStringLiteral(" sin cambios; ");
    if (!p.newNutrients.empty())
        text += countOf(int(p.newNutrients.size()), QStringLiteral("nutriente nuevo"),
                        QStringLiteral("nutrientes nuevos")) +
                QStringLiteral("; ");
    return text + conflictLinesSummary(conflicts) + u'.';
}

QString askCreateNutrients(const CompositionListPreview& p) {
    const QString names = quotedNames(p.newNutrients);
    return (p.newNutrients.size() == 1
                ? QStringLiteral("¿Crear el nutriente %1, que no está en el catálogo?")
                : QStringLiteral("¿Crear los nutrientes %1, que no están en el catálogo?"))
               .arg(names) +
           QStringLiteral("\n\nSi no los crea, las líneas que los nombran no se aplican.");
}

QString askApplyComposition(const CompositionListPreview& p) {
    const int changes = p.changeCount();
    QString text =
        changes == 1
            ? QStringLiteral("¿Aplica el cambio de 1 valor de composición?")
            : QStringLiteral("¿Aplica los cambios de %1 valores de composición?").arg(changes);
    if (!p.newNutrients.empty())
        text += QStringLiteral("\n\nSe crean %1.")
                    .arg(countOf(int(p.newNutrients.size()), QStringLiteral("nutriente"),
                                 QStringLiteral("nutrientes")));
    return text + conflictLinesNote(p.conflictLineCount());
}

QString compositionAppliedMessage(const CompositionListApplied& a) {
    QString text = QStringLiteral("Se actualizaron %1 de %2.")
                       .arg(countOf(a.values, QStringLiteral("valor de composición"),
                                    QStringLiteral("valores de composición")),
                            countOf(a.ingredients, QStringLiteral("ingrediente"),
                                    QStringLiteral("ingredientes")));
    if (a.nutrients > 0)
        text += u' ' + (a.nutrients == 1
                            ? QStringLiteral("Se creó 1 nutriente.")
                            : QStringLiteral("Se crearon %1 nutrientes.").arg(a.nutrients));
    return text;
}

grid::GridContent compositionListGrid(const CompositionListPreview& p) {
    const QString value = QStringLiteral("#####0.00000");
    const std::vector<grid::Column> columns = {
        {QStringLiteral("Línea"), 700, grid::kRight},
        {QStringLiteral("Código"), 1200, grid::kLeft},
        {QStringLiteral("Descripción"), 2400, grid::kLeft},
        {QStringLiteral("Nutriente"), 3000, grid::kLeft},
        {QStringLiteral("Valor actual"), 1300, grid::kRight, value},
        {QStringLiteral("Valor nuevo (M.S.)"), 1300, grid::kRight, value},
        {QStringLiteral("Fuente"), 2400, grid::kLeft},
    };
    std::vector<std::vector<QVariant>> rows;
    for (const CompositionListRow& r : p.rows)
        rows.push_back(
            {r.line, r.codigo, r.nombre,
             r.createsNutrient() ? r.propiedad + QStringLiteral(" (nuevo)") : r.propiedad,
             numberCell(r.before), r.after, r.fuenteAfter});
    grid::GridContent content = grid::gridContent(
        {QStringLiteral("linea"), QStringLiteral("codigo"), QStringLiteral("nombre"),
         QStringLiteral("propiedad"), QStringLiteral("valor_actual"), QStringLiteral("valor_nuevo"),
         QStringLiteral("fuente")},
        rows, columns);
    std::vector<bool> changes;
    for (const CompositionListRow& r : p.rows)
        changes.push_back(r.changes());
    dimUnchanged(content, changes);
    return content;
}

grid::GridContent compositionConflictGrid(const CompositionListPreview& p) {
    const std::vector<grid::Column> columns = {
        {QStringLiteral("Línea"), 700, grid::kRight},
        {QStringLiteral("Código"), 1200, grid::kLeft},
        {QStringLiteral("Nutriente"), 2400, grid::kLeft},
        {QStringLiteral("Motivo"), 5000, grid::kLeft},
    };
    std::vector<std::vector<QVariant>> rows;
    for (const CompositionListConflict& c : p.conflicts)
        rows.push_back({c.line, c.codigo, c.propiedad, c.reason});
    return grid::gridContent({QStringLiteral("linea"), QStringLiteral("codigo"),
                              QStringLiteral("propiedad"), QStringLiteral("motivo")},
                             rows, columns);
}

grid::GridContent newNutrientGrid(const CompositionListPreview& p) {
    const std::vector<grid::Column> columns = {
        {QStringLiteral("Línea"), 700, grid::kRight},
        {QStringLiteral("Nutriente nuevo"), 3000, grid::kLeft},
        {QStringLiteral("Unidad"), 1200, grid::kLeft},
    };
    std::vector<std::vector<QVariant>> rows;
    for (const NewNutrient& n : p.newNutrients)
        rows.push_back({n.line, n.nombre, n.unidad});
    return grid::gridContent(
        {QStringLiteral("linea"), QStringLiteral("nombre"), QStringLiteral("unidad")}, rows,
        columns);
}

} // namespace catalog
