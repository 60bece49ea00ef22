#include "store/record_set.h"

#include <cmath>

namespace store {

void RecordSet::appendField(const QString& name, FieldType type, int size, bool nullable) {
    if (fieldIndex(name) >= 0)
        throw RecordSetError("duplicate field " + name.toStdString());
    fields_.push_back({name, type, size, nullable});
    for (auto& row : rows_)
        row.emplace_back();
}

int RecordSet::fieldIndex(const QString& name) const {
    // Callers nearly always spell the name as defined: try that cheap comparison first.
    for (size_t i = 0; i < fields_.size(); ++i)
        if (fields_[i].name == name)
            return int(i);
    for (size_t i = 0; i < fields_.size(); ++i)
        if (fields_[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

int RecordSet::fieldIndexChecked(const QString& name) const {
    int i = fieldIndex(name);
    if (i < 0)
        i = fieldIndex(name.trimmed());
    if (i < 0)
        throw RecordSetError("unknown field " + name.toStdString());
    return i;
}

void RecordSet::appendRow(std::vector<QVariant> values) {
    if (values.size() != fields_.size())
        throw RecordSetError("row does not match the fields");
    for (size_t f = 0; f < values.size(); ++f)
        values[f] = coerce(int(f), values[f]);
    rows_.push_back(std::move(values));
    current_ = count() - 1;
}

const std::vector<QVariant>& RecordSet::currentRow() const {
    if (eof())
        throw RecordSetError("no current row");
    return rows_[size_t(current_)];
}

void RecordSet::clear() {
    rows_.clear();
    current_ = -1;
}

QVariant RecordSet::value(const QString& field) const {
    return value(fieldIndexChecked(field));
}

QVariant RecordSet::value(int field) const {
    return currentRow().at(size_t(field));
}

QVariant RecordSet::valueAt(int row, int field) const {
    return rows_.at(size_t(row)).at(size_t(field));
}

QVariant RecordSet::coerce(int field, const QVariant& v) const {
    if (!v.isValid() || v.isNull())
        return {};
    const FieldDef& f = fields_.at(size_t(field));
    switch (f.type) {
    case FieldType::Integer32:
        if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float)
            return int(std::lround(v.toDouble()));
        return v.toInt();
    case FieldType::Double:
        return v.toDouble();
    case FieldType::Char: {
        const QString s = v.toString();
        return f.size > 0 && s.size() > f.size ? s.left(f.size) : s;
    }
    }
    return v;
}

} // namespace store
