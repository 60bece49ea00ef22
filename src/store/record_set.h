#pragma once

#include <QString>
#include <QVariant>
#include <stdexcept>
#include <vector>

namespace store {

enum class FieldType { Integer32, Char, Double };

struct FieldDef {
    QString name;
    FieldType type = FieldType::Double;
    int size = 0; // characters, for Char fields
    bool nullable = false;
};

// The rows of a query, held in memory with named, typed fields: Database::query returns one, and
// the grids (app/grid_style.h, app/views/grid_binding.h) and the printed lists read it.
//
// A Null value is an invalid QVariant. Integer32 fields hold int, Char fields QString (cut to
// their size), Double fields double.
class RecordSet {
public:
    RecordSet() = default;

    void appendField(const QString& name, FieldType type, int size = 0, bool nullable = false);
    int fieldCount() const { return int(fields_.size()); }
    const FieldDef& field(int index) const { return fields_.at(size_t(index)); }
    int fieldIndex(const QString& name) const; // -1 when absent (case-insensitive)

    int count() const { return int(rows_.size()); }
    bool eof() const { return current_ < 0 || current_ >= count(); }
    void moveFirst() { current_ = 0; }
    void moveNext() {
        if (current_ < count())
            ++current_;
    }
    int position() const { return current_; }
    void setPosition(int row) { current_ = row; }

    // Appends a row with one value per field, in field order, and makes it current.
    void appendRow(std::vector<QVariant> values);
    // Deletes every row.
    void clear();

    QVariant value(const QString& field) const;
    QVariant value(int field) const;
    QVariant valueAt(int row, int field) const;
    bool isNull(const QString& field) const { return !value(field).isValid(); }
    double toDouble(const QString& field) const { return value(field).toDouble(); }
    int toInt(const QString& field) const { return value(field).toInt(); }
    QString toString(const QString& field) const { return value(field).toString(); }

private:
    QVariant coerce(int field, const QVariant& value) const;
    int fieldIndexChecked(const QString& name) const;
    const std::vector<QVariant>& currentRow() const;

    std::vector<FieldDef> fields_;
    std::vector<std::vector<QVariant>> rows_;
    int current_ = -1;
};

// Thrown for an unknown field or a row that does not match the fields: a programming error.
class RecordSetError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace store
