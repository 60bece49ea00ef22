#include "catalog/lab_analyses.h"

#include "app/date_text.h"
#include "app/format.h"
#include "catalog/csv_text.h"
#include "catalog/new_key.h"
#include "catalog/nutrient_names.h"
#include "catalog/price_list_file.h"
#include "store/database.h"
#include "store/revisions.h"
#include "store/sql_text.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

namespace catalog {

namespace {

// A year of a mill's analyses is a few thousand lines; anything this large is not such a file.
constexpr qint64 kLargestFile = 64 * 1024 * 1024;
constexpr qsizetype kMostLines = 2000000;

QString notText(const QString& fileName) {
    return QStringLiteral("El archivo %1 no es un archivo de texto: los análisis se leen de un "
                          "archivo CSV (guarde la planilla como «CSV»).")
        .arg(fileName);
}

QString notAnalyses(const QString& fileName) {
    return QStringLiteral("El archivo %1 no es un archivo de análisis: su primera línea debe "
                          "nombrar las columnas codigo, propiedad, fecha, lote y valor, separadas "
                          "por punto y coma o por comas.")
        .arg(fileName);
}

struct Columns {
    int codigo = -1;
    int propiedad = -1;
    int fecha = -1;
    int lote = -1;
    int valor = -1;
    int count = 0;
};

Columns columnsOf(const QStringList& header, const QString& fileName) {
    Columns c;
    c.count = int(header.size());
    QHash<QString, int> seen;
    for (int i = 0; i < header.size(); ++i) {
        const QString name = csv::columnName(header[i]);
        if (name.isEmpty())
            continue;
        if (seen.contains(name))
            throw LabAnalysisError(QStringLiteral("El archivo %1 nombra dos veces la columna %2.")
                                       .arg(fileName, name));
        seen.insert(name, i);
    }
    c.codigo = seen.value(QStringLiteral("codigo"), -1);
    c.propiedad = seen.value(QStringLiteral("propiedad"), -1);
    c.fecha = seen.value(QStringLiteral("fecha"), -1);
    c.lote = seen.value(QStringLiteral("lote"), -1);
    c.valor = seen.value(QStringLiteral("valor"), -1);
    if (c.codigo < 0 || c.propiedad < 0 || c.fecha < 0 || c.lote < 0 || c.valor < 0)
        throw LabAnalysisError(notAnalyses(fileName));
    return c;
}

// dd/mm/yyyy (one-digit day and month allowed) or yyyy-mm-dd; an invalid date otherwise.
QDate analysisDate(const QString& text) {
    QDate d = QDate::fromString(text, QStringLiteral("d/M/yyyy"));
    if (!d.isValid())
        d = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
    return d;
}

AnalysisLine readLine(int number, const std::optional<QStringList>& fields, const Columns& c,
                      QChar decimalMark) {
    AnalysisLine line;
    line.line = number;
    if (!fields) {
        line.problem = QStringLiteral("comillas sin cerrar");
        return line;
    }
    line.codigo = csv::cell(*fields, c.codigo);
    line.propiedad = csv::cell(*fields, c.propiedad);
    line.lote = csv::cell(*fields, c.lote);
    const QString fecha = csv::cell(*fields, c.fecha);
    const QString valor = csv::cell(*fields, c.valor);
    if (fields->size() > c.count)
        line.problem = QStringLiteral("tiene más campos que la primera línea (¿un número con coma "
                                      "decimal sin comillas?)");
    else if (line.codigo.isEmpty())
        line.problem = QStringLiteral("falta el código");
    else if (line.propiedad.isEmpty())
        line.problem = QStringLiteral("falta la propiedad");
    else if (fecha.isEmpty())
        line.problem = QStringLiteral("falta la fecha");
    else if (!(line.fecha = analysisDate(fecha)).isValid())
        line.problem =
            QStringLiteral("la fecha «%1» no es una fecha (dd/mm/aaaa o aaaa-mm-dd)").arg(fecha);
    else if (line.lote.size() > 50)
        line.problem = QStringLiteral("el lote tiene más de 50 caracteres");
    else if (valor.isEmpty())
        line.problem = QStringLiteral("falta el valor");
    else if (!(line.valor = priceNumber(valor, decimalMark)))
        line.problem = QStringLiteral("el valor «%1» no es un número").arg(valor);
    return line;
}

// A stored date: a QDate from the server, an ISO text from a file.
QDate storedDate(const QVariant& v) {
    if (v.typeId() == QMetaType::QDate)
        return v.toDate();
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime().date();
    return QDate::fromString(v.toString().trimmed().left(10), Qt::ISODate);
}

// What makes two analyses the same one.
struct AnalysisKey {
    int idProducto;
    int idPropiedad;
    QDate fecha;
    QString lote;
    bool operator==(const AnalysisKey&) const = default;
};

size_t qHash(const AnalysisKey& k, size_t seed = 0) {
    return qHashMulti(seed, k.idProducto, k.idPropiedad, k.fecha.toJulianDay(), k.lote);
}

AnalysisKey keyOf(const AnalysisRow& r) {
    return {r.idProducto, r.idPropiedad, r.fecha, r.lote};
}

// The keys of the analyses stored for these ingredients.
QSet<AnalysisKey> storedKeys(store::Database& db, const std::vector<int>& ingredients) {
    QSet<AnalysisKey> out;
    if (ingredients.empty())
        return out;
    db.forEachRow(QStringLiteral("select id_producto,id_propiedad,fecha,lote from "
                                 "producto_analisis where id_producto in ") +
                      sql::integerList(ingredients),
                  {}, [&](const store::Database::Row& row) {
                      out.insert({row[0].toInt(), row[1].toInt(), storedDate(row[2]),
                                  row[3].toString().trimmed()});
                  });
    return out;
}

QSet<int> existingKeys(store::Database& db, const QString& table, const QString& column,
                       const std::vector<int>& keys) {
    QSet<int> out;
    db.forEachRow(QStringLiteral("select ") + column + QStringLiteral(" from ") + table +
                      QStringLiteral(" where ") + column + QStringLiteral(" in ") +
                      sql::integerList(keys),
                  {}, [&](const store::Database::Row& row) { out.insert(row[0].toInt()); });
    return out;
}

struct Named {
    int id = 0;
    QString nombre;
};

QString lineList(const std::vector<int>& lines) {
    QStringList numbers;
    for (int l : lines)
        numbers << QString::number(l);
    if (numbers.size() == 1)
        return QStringLiteral("la línea ") + numbers.front();
    const QString last = numbers.takeLast();
    return QStringLiteral("las líneas ") + numbers.join(QStringLiteral(", ")) +
           QStringLiteral(" y ") + last;
}

QString plural(int n, const QString& one, const QString& many) {
    return QString::number(n) + u' ' + (n == 1 ? one : many);
}

} // namespace

AnalysisFile readAnalyses(const QByteArray& content, const QString& fileName, QChar decimalMark) {
    const std::optional<QString> text = csv::decode(content);
    if (!text)
        throw LabAnalysisError(notText(fileName));
    if (text->trimmed().isEmpty())
        throw LabAnalysisError(QStringLiteral("El archivo %1 está vacío.").arg(fileName));
    if (csv::lineCount(*text) > kMostLines)
        throw LabAnalysisError(QStringLiteral("El archivo %1 tiene más de %2 líneas: es "
                                              "demasiado largo para un archivo de análisis.")
                                   .arg(fileName)
                                   .arg(kMostLines));
    csv::Lines lines(*text);
    std::optional<QStringView> headerLine = lines.next();
    while (headerLine->trimmed().isEmpty())
        headerLine = lines.next(); // the text is not blank, so a line that is not comes
    const std::optional<QChar> separator = csv::separatorOf(*headerLine);
    if (!separator)
        throw LabAnalysisError(notAnalyses(fileName));
    const std::optional<QStringList> header = csv::splitFields(*headerLine, *separator);
    if (!header)
        throw LabAnalysisError(notAnalyses(fileName));
    const Columns columns = columnsOf(*header, fileName);

    AnalysisFile file;
    file.separator = *separator;
    file.decimalMark = decimalMark;
    while (const std::optional<QStringView> line = lines.next()) {
        const std::optional<QStringList> fields = csv::splitFields(*line, *separator);
        if (fields && csv::blank(*fields))
            continue;
        file.lines.push_back(readLine(lines.number(), fields, columns, decimalMark));
    }
    return file;
}

AnalysisFile readAnalysesFile(const QString& fileName, QChar decimalMark) {
    const QFileInfo info(fileName);
    if (!info.exists())
        throw LabAnalysisError(QStringLiteral("No existe el archivo %1.").arg(fileName));
    if (!info.isFile())
        throw LabAnalysisError(notText(fileName));
    if (info.size() > kLargestFile)
        throw LabAnalysisError(
            QStringLiteral("El archivo %1 es demasiado grande para un archivo de análisis (%2 MB).")
                .arg(fileName)
                .arg(info.size() / (1024 * 1024)));
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw LabAnalysisError(
            QStringLiteral("No se pudo leer el archivo %1: %2.").arg(fileName, file.errorString()));
    return readAnalyses(file.readAll(), fileName, decimalMark);
}

AnalysisPreview previewAnalyses(store::Database& db, const AnalysisFile& file,
                                const QString& fileName) {
    AnalysisPreview preview;
    preview.fileName = fileName;
    preview.separator = file.separator;
    preview.decimalMark = file.decimalMark;
    preview.lineCount = int(file.lines.size());

    QHash<QString, Named> ingredients;
    db.forEachRow(
        QStringLiteral("select id_producto,codigo,nombre from productos"), {},
        [&](const store::Database::Row& row) {
            ingredients.insert(row[1].toString().trimmed(), {row[0].toInt(), row[2].toString()});
        });
    const NutrientNames nutrients(db);

    // Each usable line as a row, or its conflict, in the order of the file.
    std::vector<std::optional<AnalysisRow>> candidates;
    std::vector<AnalysisConflict> reasons(file.lines.size());
    for (size_t i = 0; i < file.lines.size(); ++i) {
        const AnalysisLine& l = file.lines[i];
        candidates.emplace_back();
        const auto conflict = [&](const QString& reason) {
            reasons[i] = {l.line, l.codigo, reason};
        };
        if (!l.problem.isEmpty()) {
            conflict(l.problem);
            continue;
        }
        const auto ingredient = ingredients.constFind(l.codigo);
        if (ingredient == ingredients.cend()) {
            conflict(QStringLiteral("el código no está en el catálogo"));
            continue;
        }
        const QList<int> named = nutrients.named(l.propiedad);
        if (named.isEmpty()) {
            conflict(QStringLiteral("no hay ninguna propiedad llamada «%1»").arg(l.propiedad));
            continue;
        }
        if (named.size() > 1) {
            conflict(QStringLiteral("hay %1 propiedades llamadas «%2»: cambie el nombre de una")
                         .arg(named.size())
                         .arg(l.propiedad));
            continue;
        }
        AnalysisRow row;
        row.line = l.line;
        row.idProducto = ingredient->id;
        row.codigo = l.codigo;
        row.nombre = ingredient->nombre;
        row.idPropiedad = named.front();
        row.propiedad = nutrients.nameOf(named.front());
        row.fecha = l.fecha;
        row.lote = l.lote;
        row.valor = *l.valor;
        candidates.back() = row;
    }

    // The same analysis twice in the file: none of its lines is stored.
    QHash<AnalysisKey, std::vector<int>> linesOf;
    std::vector<int> ids;
    for (const auto& c : candidates)
        if (c) {
            linesOf[keyOf(*c)].push_back(c->line);
            ids.push_back(c->idProducto);
        }
    const QSet<AnalysisKey> stored = storedKeys(db, ids);
    for (size_t i = 0; i < candidates.size(); ++i) {
        const std::optional<AnalysisRow>& c = candidates[i];
        if (!c) {
            preview.conflicts.push_back(reasons[i]);
            continue;
        }
        const std::vector<int>& same = linesOf.value(keyOf(*c));
        if (same.size() > 1) {
            std::vector<int> others;
            for (int l : same)
                if (l != c->line)
                    others.push_back(l);
            if (others.size() > 3)
                preview.conflicts.push_back(
                    {c->line, c->codigo,
                     QStringLiteral("el mismo análisis (ingrediente, propiedad, fecha y lote) "
                                    "está en otras %1 líneas")
                         .arg(others.size())});
            else
                preview.conflicts.push_back(
                    {c->line, c->codigo,
                     QStringLiteral("el mismo análisis (ingrediente, propiedad, fecha y lote) "
                                    "está también en ") +
                         lineList(others)});
            continue;
        }
        if (stored.contains(keyOf(*c))) {
            preview.conflicts.push_back(
                {c->line, c->codigo,
                 QStringLiteral("el análisis (ingrediente, propiedad, fecha y lote) ya está "
                                "guardado")});
            continue;
        }
        preview.rows.push_back(*c);
    }
    return preview;
}

AnalysisPreview previewAnalysesFile(store::Database& db, const QString& fileName,
                                    QChar decimalMark) {
    return previewAnalyses(db, readAnalysesFile(fileName, decimalMark), fileName);
}

int insertAnalyses(store::Database& db, const AnalysisPreview& preview) {
    if (preview.rows.empty())
        return 0;
    // What was read is checked again before it is written: the write lock is taken first.
    store::Database::Transaction tx(db, store::Database::Transaction::WriteLock::Now);
    std::vector<int> ingredients, nutrients;
    for (const AnalysisRow& r : preview.rows) {
        ingredients.push_back(r.idProducto);
        nutrients.push_back(r.idPropiedad);
    }
    const QSet<int> ingredientsNow =
        existingKeys(db, QStringLiteral("productos"), QStringLiteral("id_producto"), ingredients);
    const QSet<int> nutrientsNow =
        existingKeys(db, QStringLiteral("propiedades"), QStringLiteral("id_propiedad"), nutrients);
    const QSet<AnalysisKey> stored = storedKeys(db, ingredients);
    for (const AnalysisRow& r : preview.rows) {
        if (!ingredientsNow.contains(r.idProducto) || !nutrientsNow.contains(r.idPropiedad))
            throw store::StaleRowError(
                QStringLiteral("El ingrediente %1 o la propiedad %2 fue eliminado después de "
                               "leer el archivo; vuelva a leerlo.")
                    .arg(r.codigo, r.propiedad));
        if (stored.contains(keyOf(r)))
            throw store::StaleRowError(
                QStringLiteral("El análisis de la línea %1 se guardó después de leer el "
                               "archivo; vuelva a leerlo.")
                    .arg(r.line));
    }
    int key = db.nextKey(QStringLiteral("producto_analisis"), QStringLiteral("id_analisis"));
    for (const AnalysisRow& r : preview.rows) {
        const auto insert = [&](int id) {
            return QStringLiteral("insert into producto_analisis (id_analisis,id_producto,"
                                  "id_propiedad,fecha,lote,valor) values (") +
                   QString::number(id) + u',' + QString::number(r.idProducto) + u',' +
                   QString::number(r.idPropiedad) + u',' + sql::date(r.fecha) + u',' +
                   (r.lote.isEmpty() ? QStringLiteral("Null") : sql::text(r.lote)) + u',' +
                   sql::number(r.valor) + u')';
        };
        key = insertWithNewKey(db, QStringLiteral("producto_analisis"),
                               QStringLiteral("id_analisis"), insert, key) +
              1;
    }
    tx.commit();
    return int(preview.rows.size());
}

QString analysesSummary(const AnalysisPreview& p) {
    const int conflicts = p.lineCount - int(p.rows.size());
    return plural(int(p.rows.size()), QStringLiteral("análisis para guardar"),
                  QStringLiteral("análisis para guardar")) +
           QStringLiteral("; ") +
           (conflicts == 0 ? QStringLiteral("ninguna línea con conflictos")
                           : plural(conflicts, QStringLiteral("línea con conflictos no se guarda"),
                                    QStringLiteral("líneas con conflictos no se guardan"))) +
           u'.';
}

QString askInsertAnalyses(const AnalysisPreview& p) {
    const int n = int(p.rows.size());
    QString text = n == 1 ? QStringLiteral("¿Guarda 1 análisis?")
                          : QStringLiteral("¿Guarda %1 análisis?").arg(n);
    const int conflicts = p.lineCount - n;
    if (conflicts == 1)
        text += QStringLiteral("\n\nLa línea con conflictos no se guarda.");
    else if (conflicts > 1)
        text += QStringLiteral("\n\nLas %1 líneas con conflictos no se guardan.").arg(conflicts);
    return text;
}

QString insertedAnalysesMessage(int stored) {
    return stored == 1 ? QStringLiteral("Se guardó 1 análisis.")
                       : QStringLiteral("Se guardaron %1 análisis.").arg(stored);
}

grid::GridContent analysisPreviewGrid(const AnalysisPreview& p) {
    const std::vector<grid::Column> columns = {
        {QStringLiteral("Línea"), 700, grid::kRight},
        {QStringLiteral("Código"), 1100, grid::kLeft},
        {QStringLiteral("Ingrediente"), 2400, grid::kLeft},
        {QStringLiteral("Propiedad"), 2000, grid::kLeft},
        {QStringLiteral("Fecha"), 1200, grid::kLeft},
        {QStringLiteral("Lote"), 1200, grid::kLeft},
        {QStringLiteral("Valor"), 1200, grid::kRight, QStringLiteral("#####0.00###")},
    };
    std::vector<std::vector<QVariant>> rows;
    for (const AnalysisRow& r : p.rows)
        rows.push_back({r.line, r.codigo, r.nombre, r.propiedad, datetext::formatDate(r.fecha),
                        r.lote, r.valor});
    return grid::gridContent({QStringLiteral("linea"), QStringLiteral("codigo"),
                              QStringLiteral("nombre"), QStringLiteral("propiedad"),
                              QStringLiteral("fecha"), QStringLiteral("lote"),
                              QStringLiteral("valor")},
                             rows, columns);
}

grid::GridContent analysisConflictGrid(const AnalysisPreview& p) {
    const std::vector<grid::Column> columns = {
        {QStringLiteral("Línea"), 700, grid::kRight},
        {QStringLiteral("Código"), 1300, grid::kLeft},
        {QStringLiteral("Motivo"), 6000, grid::kLeft},
    };
    std::vector<std::vector<QVariant>> rows;
    for (const AnalysisConflict& c : p.conflicts)
        rows.push_back({c.line, c.codigo, c.reason});
    return grid::gridContent(
        {QStringLiteral("linea"), QStringLiteral("codigo"), QStringLiteral("motivo")}, rows,
        columns);
}

std::vector<StoredAnalysis> storedAnalyses(store::Database& db, std::optional<int> idProducto) {
    std::vector<StoredAnalysis> out;
    db.forEachRow(
        QStringLiteral("select a.id_analisis,a.id_producto,p.codigo,p.nombre,q.nombre,a.fecha,"
                       "a.lote,a.valor from producto_analisis a inner join productos p on "
                       "p.id_producto=a.id_producto inner join propiedades q on "
                       "q.id_propiedad=a.id_propiedad") +
            (idProducto ? QStringLiteral(" where a.id_producto=") + QString::number(*idProducto)
                        : QString()) +
            QStringLiteral(" order by a.fecha desc,p.nombre,q.nombre,a.id_analisis"),
        {}, [&](const store::Database::Row& row) {
            out.push_back({row[0].toInt(), row[1].toInt(), row[2].toString().trimmed(),
                           row[3].toString(), row[4].toString(), storedDate(row[5]),
                           row[6].toString().trimmed(), row[7].toDouble()});
        });
    return out;
}

std::vector<std::pair<int, QString>> analysedIngredients(store::Database& db) {
    std::vector<std::pair<int, QString>> out;
    db.forEachRow(QStringLiteral("select id_producto,codigo,nombre from productos where "
                                 "id_producto in (select id_producto from producto_analisis) "
                                 "order by nombre,codigo"),
                  {}, [&](const store::Database::Row& row) {
                      out.emplace_back(row[0].toInt(), row[1].toString().trimmed() +
                                                           QStringLiteral(" - ") +
                                                           row[2].toString());
                  });
    return out;
}

grid::GridContent storedAnalysisGrid(const std::vector<StoredAnalysis>& analyses) {
    const std::vector<grid::Column> columns = {
        {QStringLiteral("Fecha"), 1200, grid::kLeft},
        {QStringLiteral("Código"), 1100, grid::kLeft},
        {QStringLiteral("Ingrediente"), 2400, grid::kLeft},
        {QStringLiteral("Propiedad"), 2000, grid::kLeft},
        {QStringLiteral("Lote"), 1200, grid::kLeft},
        {QStringLiteral("Valor"), 1200, grid::kRight, QStringLiteral("#####0.00###")},
    };
    std::vector<std::vector<QVariant>> rows;
    for (const StoredAnalysis& a : analyses)
        rows.push_back(
            {datetext::formatDate(a.fecha), a.codigo, a.nombre, a.propiedad, a.lote, a.valor});
    return grid::gridContent({QStringLiteral("fecha"), QStringLiteral("codigo"),
                              QStringLiteral("nombre"), QStringLiteral("propiedad"),
                              QStringLiteral("lote"), QStringLiteral("valor")},
                             rows, columns);
}

} // namespace catalog
