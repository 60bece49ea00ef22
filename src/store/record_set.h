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

// An ordered list of rows with named, typed fields, held in memory. Query results and the
// workspace records are both record sets, so every grid binds to one the same way.
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

    // Rows visible through the current filter, in the current order.
    int count() const { return int(view_.size()); }
    bool eof() const { return current_ < 0 || current_ >= count(); }
    void moveFirst() {
        current_ = 0;
        justDeleted_ = false;
    }
    void moveNext();
    int position() const { return current_; }
    void setPosition(int row) {
        current_ = row;
        justDeleted_ = false;
    }

    // Appends an empty row and makes it current; update() commits it (kept for the
    // add-then-commit rhythm of callers; values are stored at once).
    void addNew();
    void update() {}
    // Appends a row with one value per field, in field order, and makes it current.
    void appendRow(std::vector<QVariant> values);
    // Deletes the current row. The row after it becomes current, and the next moveNext() stays
    // on it, so both "delete, move next" and "move first, delete" loops visit every row.
    void remove();
    // Deletes every row (also those hidden by a filter) and clears the filter.
    void clear();

    QVariant value(const QString& field) const;
    QVariant value(int field) const;
    QVariant valueAt(int row, int field) const;
    void setValue(const QString& field, const QVariant& value);
    void setValue(int field, const QVariant& value);
    bool isNull(const QString& field) const { return !value(field).isValid(); }
    double toDouble(const QString& field) const { return value(field).toDouble(); }
    int toInt(const QString& field) const { return value(field).toInt(); }
    QString toString(const QString& field) const { return value(field).toString(); }

    // "id_producto ASC", "porcentaje_seca DESC", "nombre, id ASC": reorders the rows in place,
    // stably, Null first when ascending. An empty text keeps the present order.
    void setSort(const QString& order);
    QString sort() const { return sort_; }
    // "tipo='IA'", "id_producto=7", "tipo<>'RN'", several joined by AND; empty shows all rows.
    // The literal is compared as written: a quoted text with a text field (never cut to the
    // field's size), an unquoted number with a number field, Null with any. Any other pairing
    // is a RecordSetError naming the criterion.
    void setFilter(const QString& filter);
    QString filter() const { return filter_; }
    // "field=value" searched from the current row forward. On no match the record set is left
    // at end-of-rows and false is returned.
    bool find(const QString& criterion);

private:
    struct Condition {
        int field = -1;
        QString op;
        QVariant value; // invalid for Null, QString for a text field, double for a number field
    };
    QVariant coerce(int field, const QVariant& value) const;
    int fieldIndexChecked(const QString& name) const;
    std::vector<Condition> parseConditions(const QString& text) const;
    bool matches(const std::vector<QVariant>& row, const std::vector<Condition>& conds) const;
    void rebuildView();
    size_t currentRowIndex() const;

    std::vector<FieldDef> fields_;
    std::vector<std::vector<QVariant>> rows_;
    std::vector<size_t> view_; // indices into rows_ of the visible rows, in order
    std::vector<Condition> filterConds_;
    QString sort_;
    QString filter_;
    int current_ = -1;
    bool justDeleted_ = false; // after remove(), the next row is current until moveNext
};

// Thrown for a malformed sort, filter or find text, or an unknown field: a programming error.
class RecordSetError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace store
