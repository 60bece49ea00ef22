#include "store/csv_table.h"

#include "store/database.h"

#include <QFile>

namespace store {

namespace {

QStringList splitLine(const QString& line) {
    QStringList fields;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields << field;
            field.clear();
        } else {
            field += c;
        }
    }
    fields << field;
    return fields;
}

} // namespace

CsvTable CsvTable::parse(const QString& text) {
    CsvTable table;
    const QStringList lines = QString(text).remove('\r').split('\n', Qt::SkipEmptyParts);
    if (lines.isEmpty())
        return table;
    const QStringList header = splitLine(lines.first());
    for (int i = 0; i < header.size(); ++i)
        table.columns_.insert(header[i].trimmed(), i);
    for (qsizetype i = 1; i < lines.size(); ++i)
        table.rows_.push_back(splitLine(lines[i]));
    return table;
}

CsvTable CsvTable::load(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw StoreError(QStringLiteral("No se pudo leer ") + fileName);
    return parse(QString::fromUtf8(file.readAll()));
}

QString CsvTable::at(int row, const QString& column) const {
    const int c = columns_.value(column, -1);
    const QStringList& fields = rows_.at(size_t(row));
    return c >= 0 && c < fields.size() ? fields[c].trimmed() : QString();
}

} // namespace store
