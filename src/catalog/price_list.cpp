#include "catalog/price_list.h"

#include "app/format.h"
#include "catalog/list_preview.h"
#include "store/database.h"
#include "store/revisions.h"
#include "store/sql_text.h"

#include <QHash>

namespace catalog {

namespace {

struct CatalogueEntry {
    int id = 0;
    QString nombre;
    StoredPrice price;
};

std::optional<double> storedNumber(const QVariant& v) {
    return v.isValid() && !v.isNull() ? std::optional<double>(v.toDouble()) : std::nullopt;
}

// The whole catalogue by trimmed code, in one query: a list usually names most of it.
QHash<QString, CatalogueEntry> catalogueByCode(store::Database& db) {
    QHash<QString, CatalogueEntry> out;
    db.forEachRow(QStringLiteral("select id_producto,codigo,nombre,costo,materia_seca from "
                                 "productos"),
                  {}, [&](const store::Database::Row& row) {
                      out.insert(row[1].toString().trimmed(),
                                 {row[0].toInt(),
                                  row[2].toString(),
                                  {storedNumber(row[3]), storedNumber(row[4])}});
                  });
    return out;
}

// The lines of one code: the first, how many, the next few and the last.
struct CodeLines {
    static constexpr int kNamed = 3; // other lines named; beyond them they are counted
    int first = 0;
    int count = 0;
    int others[kNamed] = {};
    int last = 0;

    void add(int line) {
        if (count == 0)
            first = line;
        else if (count <= kNamed)
            others[count - 1] = line;
        last = line;
        ++count;
    }

    QString repeated() const {
        const int more = count - 1;
        if (more > kNamed)
            return QStringLiteral("el código se repite en otras %1 líneas, entre la %2 y la %3")
                .arg(more)
                .arg(others[0])
                .arg(last);
        if (more == 1)
            return QStringLiteral("el código se repite en la línea ") + QString::number(last);
        QStringList numbers;
        for (int i = 0; i < more - 1; ++i)
            numbers << QString::number(others[i]);
        return QStringLiteral("el código se repite en las líneas ") +
               numbers.join(QStringLiteral(", ")) + QStringLiteral(" y ") + QString::number(last);
    }
};

QString literal(const std::optional<double>& value) {
    return value ? sql::number(*value) : QStringLiteral("Null");
}

QString percentText(const std::optional<double>& percent) {
    if (!percent)
        return {};
    const QString text = fmt::format(*percent, QStringLiteral("##0.00")) + QStringLiteral(" %");
    return *percent > 0 && text != QStringLiteral("0.00 %") ? u'+' + text : text;
}

} // namespace

std::optional<double> PriceListRow::costChangePercent() const {
    if (!before.costo || !after.costo || *before.costo == 0)
        return std::nullopt;
    return (*after.costo - *before.costo) / *before.costo * 100.0;
}

int PriceListPreview::changeCount() const {
    int n = 0;
    for (const PriceListRow& r : rows)
        n += r.changes() ? 1 : 0;
    return n;
}

PriceListPreview previewPriceList(store::Database& db, const PriceListFile& file,
                                  const QString& fileName) {
    PriceListPreview preview;
    preview.fileName = fileName;
    preview.separator = file.separator;
    preview.decimalMark = file.decimalMark;
    preview.hasMateriaSeca = file.hasMateriaSeca;

    preview.lineCount = int(file.lines.size());

    QHash<QString, CodeLines> linesOfCode;
    for (const PriceListLine& l : file.lines)
        if (!l.codigo.isEmpty())
            linesOfCode[l.codigo].add(l.line);
    const QHash<QString, CatalogueEntry> catalogue = catalogueByCode(db);

    for (const PriceListLine& l : file.lines) {
        const auto conflict = [&](const QString& reason) {
            preview.conflicts.push_back({l.line, l.codigo, reason});
        };
        if (!l.problem.isEmpty())
            conflict(l.problem);
        if (!l.codigo.isEmpty()) {
            const CodeLines same = linesOfCode.value(l.codigo);
            if (same.count > 1) {
                if (l.line == same.first)
                    conflict(same.repeated());
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
        PriceListRow row;
        row.line = l.line;
        row.idProducto = known->id;
        row.codigo = l.codigo;
        row.nombre = known->nombre;
        row.before = known->price;
        row.after = {l.costo, l.materiaSeca ? l.materiaSeca : known->price.materiaSeca};
        preview.rows.push_back(row);
    }
    return preview;
}

PriceListPreview previewPriceListFile(store::Database& db, const QString& fileName,
                                      QChar decimalMark) {
    return previewPriceList(db, readPriceListFile(fileName, decimalMark), fileName);
}

int applyPriceList(store::Database& db, const PriceListPreview& preview, const QDateTime& fecha) {
    // Each price is read before it is written: the write lock is taken first.
    store::Database::Transaction tx(db, store::Database::Transaction::WriteLock::Now);
    int changed = 0;
    for (const PriceListRow& row : preview.rows) {
        if (!row.changes())
            continue;
        const std::optional<StoredPrice> now = storedPrice(db, row.idProducto);
        if (!now || !(*now == row.before))
            throw store::StaleRowError(
                QStringLiteral("El precio del ingrediente %1 cambió (o el ingrediente fue "
                               "eliminado) después de leer la lista; vuelva a leerla.")
                    .arg(row.codigo));
        db.exec(QStringLiteral("update productos set costo=") + literal(row.after.costo) +
                QStringLiteral(",materia_seca=") + literal(row.after.materiaSeca) +
                QStringLiteral(" where id_producto=") + QString::number(row.idProducto));
        store::raiseRevision(db, QStringLiteral("productos"), row.idProducto);
        recordPriceChange(db, row.idProducto, row.before, row.after, kOrigenListaPrecios, fecha);
        ++changed;
    }
    tx.commit();
    return changed;
}

QString previewSummary(const PriceListPreview& p) {
    const int changes = p.changeCount();
    const int same = int(p.rows.size()) - changes;
    const int conflicts = p.conflictLineCount();
    return countOf(changes, QStringLiteral("ingrediente cambia de precio"),
                   QStringLiteral("ingredientes cambian de precio")) +
           QStringLiteral("; ") + QString::number(same) + QStringLiteral(" sin cambios; ") +
           conflictLinesSummary(conflicts) + u'.';
}

QString askApply(const PriceListPreview& p) {
    const int changes = p.changeCount();
    QString text =
        changes == 1
            ? QStringLiteral("¿Aplica el cambio de precio de 1 ingrediente?")
            : QStringLiteral("¿Aplica los cambios de precio de %1 ingredientes?").arg(changes);
    return text + conflictLinesNote(p.conflictLineCount());
}

QString appliedMessage(int changed) {
    return changed == 1
               ? QStringLiteral("Se actualizó el precio de 1 ingrediente.")
               : QStringLiteral("Se actualizaron los precios de %1 ingredientes.").arg(changed);
}

grid::GridContent priceListGrid(const PriceListPreview& p) {
    const QString cost = fmt::kPricePattern;
    const QString dry = QStringLiteral("##0.00");
    std::vector<grid::Column> columns = {
        {QStringLiteral("Línea"), 700, grid::kRight},
        {QStringLiteral("Código"), 1300, grid::kLeft},
        {QStringLiteral("Descripción"), 2800, grid::kLeft},
        {QStringLiteral("Costo anterior"), 1400, grid::kRight, cost},
        {QStringLiteral("Costo nuevo"), 1400, grid::kRight, cost},
        {QStringLiteral("Variación"), 1200, grid::kRight},
    };
    std::vector<QString> fields = {QStringLiteral("linea"),       QStringLiteral("codigo"),
                                   QStringLiteral("nombre"),      QStringLiteral("costo_anterior"),
                                   QStringLiteral("costo_nuevo"), QStringLiteral("variacion")};
    if (p.hasMateriaSeca) {
        columns.push_back({QStringLiteral("M.S. anterior"), 1300, grid::kRight, dry});
        columns.push_back({QStringLiteral("M.S. nueva"), 1300, grid::kRight, dry});
        fields.push_back(QStringLiteral("materia_seca_anterior"));
        fields.push_back(QStringLiteral("materia_seca_nueva"));
    }
    std::vector<std::vector<QVariant>> rows;
    for (const PriceListRow& r : p.rows) {
        std::vector<QVariant> row = {r.line,
                                     r.codigo,
                                     r.nombre,
                                     numberCell(r.before.costo),
                                     numberCell(r.after.costo),
                                     percentText(r.costChangePercent())};
        if (p.hasMateriaSeca) {
            row.push_back(numberCell(r.before.materiaSeca));
            row.push_back(numberCell(r.after.materiaSeca));
        }
        rows.push_back(std::move(row));
    }
    grid::GridContent content = grid::gridContent(fields, rows, columns);
    std::vector<bool> changes;
    for (const PriceListRow& r : p.rows)
        changes.push_back(r.changes());
    dimUnchanged(content, changes);
    return content;
}

grid::GridContent conflictGrid(const PriceListPreview& p) {
    const std::vector<grid::Column> columns = {
        {QStringLiteral("Línea"), 700, grid::kRight},
        {QStringLiteral("Código"), 1300, grid::kLeft},
        {QStringLiteral("Motivo"), 6000, grid::kLeft},
    };
    std::vector<std::vector<QVariant>> rows;
    for (const PriceListConflict& c : p.conflicts)
        rows.push_back({c.line, c.codigo, c.reason});
    return grid::gridContent(
        {QStringLiteral("linea"), QStringLiteral("codigo"), QStringLiteral("motivo")}, rows,
        columns);
}

} // namespace catalog
