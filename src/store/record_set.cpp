#include "store/record_set.h"

#include <QCollator>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>

namespace store {

namespace {

bool isQuoted(const QString& literal) {
    return literal.size() >= 2 && literal.front() == '\'' && literal.back() == '\'';
}

QString unquote(const QString& literal) {
    return literal.mid(1, literal.size() - 2).replace(QStringLiteral("''"), QStringLiteral("'"));
}

// A literal compared with a row value: text with the collator, numbers as doubles (every
// Integer32 is exact as a double, so 4294967297 matches no 32-bit value).
int compareWithLiteral(const QVariant& value, const QVariant& literal, FieldType type);

const QCollator& textCollator() {
    static const QCollator collator = [] {
        QCollator c(QLocale(QLocale::Spanish));
        c.setCaseSensitivity(Qt::CaseInsensitive);
        c.setNumericMode(false);
        return c;
    }();
    return collator;
}

// Null sorts before any value, as an empty cell before a filled one.
int compareValues(const QVariant& a, const QVariant& b, FieldType type) {
    const bool an = !a.isValid(), bn = !b.isValid();
    if (an || bn)
        return an == bn ? 0 : (an ? -1 : 1);
    switch (type) {
    case FieldType::Integer32: {
        const int x = a.toInt(), y = b.toInt();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    case FieldType::Double: {
        const double x = a.toDouble(), y = b.toDouble();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    case FieldType::Char:
        return textCollator().compare(a.toString(), b.toString());
    }
    return 0;
}

int compareWithLiteral(const QVariant& value, const QVariant& literal, FieldType type) {
    const bool vn = !value.isValid(), ln = !literal.isValid();
    if (vn || ln)
        return vn == ln ? 0 : (vn ? -1 : 1);
    if (type == FieldType::Char)
        return textCollator().compare(value.toString(), literal.toString());
    const double x = value.toDouble(), y = literal.toDouble();
    return x < y ? -1 : (x > y ? 1 : 0);
}

} // namespace

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

void RecordSet::moveNext() {
    if (justDeleted_) {
        justDeleted_ = false; // the row after the deleted one is already current
        return;
    }
    if (current_ < count())
        ++current_;
}

void RecordSet::addNew() {
    rows_.emplace_back(fields_.size());
    view_.push_back(rows_.size() - 1);
    current_ = count() - 1;
    justDeleted_ = false;
}

void RecordSet::appendRow(std::vector<QVariant> values) {
    if (values.size() != fields_.size())
        throw RecordSetError("row does not match the fields");
    for (size_t f = 0; f < values.size(); ++f)
        values[f] = coerce(int(f), values[f]);
    rows_.push_back(std::move(values));
    view_.push_back(rows_.size() - 1);
    current_ = count() - 1;
    justDeleted_ = false;
}

size_t RecordSet::currentRowIndex() const {
    if (eof())
        throw RecordSetError("no current row");
    return view_[size_t(current_)];
}

void RecordSet::remove() {
    const size_t victim = currentRowIndex();
    rows_.erase(rows_.begin() + std::ptrdiff_t(victim));
    view_.erase(view_.begin() + current_);
    for (auto& v : view_)
        if (v > victim)
            --v;
    justDeleted_ = true;
}

void RecordSet::clear() {
    rows_.clear();
    view_.clear();
    filterConds_.clear();
    filter_.clear();
    current_ = -1;
    justDeleted_ = false;
}

QVariant RecordSet::value(const QString& field) const {
    return value(fieldIndexChecked(field));
}

QVariant RecordSet::value(int field) const {
    return rows_[currentRowIndex()].at(size_t(field));
}

QVariant RecordSet::valueAt(int row, int field) const {
    return rows_.at(view_.at(size_t(row))).at(size_t(field));
}

void RecordSet::setValue(const QString& field, const QVariant& v) {
    setValue(fieldIndexChecked(field), v);
}

void RecordSet::setValue(int field, const QVariant& v) {
    rows_[currentRowIndex()].at(size_t(field)) = coerce(field, v);
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

void RecordSet::setSort(const QString& order) {
    struct Key {
        int field;
        bool descending;
    };
    std::vector<Key> keys;
    for (const QString& part : order.split(',', Qt::SkipEmptyParts)) {
        const QStringList words = part.simplified().split(' ');
        if (words.isEmpty() || words.size() > 2)
            throw RecordSetError("bad sort " + order.toStdString());
        bool desc = false;
        if (words.size() == 2) {
            if (words[1].compare("DESC", Qt::CaseInsensitive) == 0)
                desc = true;
            else if (words[1].compare("ASC", Qt::CaseInsensitive) != 0)
                throw RecordSetError("bad sort " + order.toStdString());
        }
        keys.push_back({fieldIndexChecked(words[0]), desc});
    }
    sort_ = order;
    if (keys.empty())
        return;
    std::stable_sort(rows_.begin(), rows_.end(), [&](const auto& a, const auto& b) {
        for (const Key& k : keys) {
            const int c = compareValues(a[size_t(k.field)], b[size_t(k.field)],
                                        fields_[size_t(k.field)].type);
            if (c != 0)
                return k.descending ? c > 0 : c < 0;
        }
        return false;
    });
    rebuildView();
    current_ = count() > 0 ? 0 : -1;
    justDeleted_ = false;
}

std::vector<RecordSet::Condition> RecordSet::parseConditions(const QString& text) const {
    static const QRegularExpression andSplit(
        QStringLiteral("\\s+and\\s+(?=(?:[^']*'[^']*')*[^']*$)"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression cond(
        QStringLiteral("^\\s*([A-Za-z_][A-Za-z0-9_]*)\\s*(<>|<=|>=|=|<|>)\\s*(.*?)\\s*$"));
    std::vector<Condition> out;
    for (const QString& part : text.split(andSplit, Qt::SkipEmptyParts)) {
        const auto m = cond.match(part);
        if (!m.hasMatch())
            throw RecordSetError("bad criterion " + text.toStdString());
        Condition c;
        c.field = fieldIndexChecked(m.captured(1));
        c.op = m.captured(2);
        const QString literal = m.captured(3);
        const bool textField = fields_[size_t(c.field)].type == FieldType::Char;
        if (literal.compare("Null", Qt::CaseInsensitive) == 0) {
            // stays invalid
        } else if (isQuoted(literal)) {
            if (!textField)
                throw RecordSetError("text compared with the number field " +
                                     m.captured(1).toStdString() + " in " + text.toStdString());
            c.value = unquote(literal);
        } else {
            bool ok = false;
            const double number = literal.toDouble(&ok);
            if (!ok || !std::isfinite(number))
                throw RecordSetError("not a number: " + literal.toStdString() + " in " +
                                     text.toStdString());
            if (textField)
                throw RecordSetError("number compared with the text field " +
                                     m.captured(1).toStdString() + " in " + text.toStdString());
            c.value = number;
        }
        out.push_back(c);
    }
    return out;
}

bool RecordSet::matches(const std::vector<QVariant>& row,
                        const std::vector<Condition>& conds) const {
    for (const Condition& c : conds) {
        const int cmp =
            compareWithLiteral(row[size_t(c.field)], c.value, fields_[size_t(c.field)].type);
        const bool ok = c.op == "="    ? cmp == 0
                        : c.op == "<>" ? cmp != 0
                        : c.op == "<"  ? cmp < 0
                        : c.op == ">"  ? cmp > 0
                        : c.op == "<=" ? cmp <= 0
                                       : cmp >= 0;
        if (!ok)
            return false;
    }
    return true;
}

void RecordSet::rebuildView() {
    view_.clear();
    for (size_t i = 0; i < rows_.size(); ++i)
        if (filterConds_.empty() || matches(rows_[i], filterConds_))
            view_.push_back(i);
}

void RecordSet::setFilter(const QString& filter) {
    filterConds_ = filter.trimmed().isEmpty() ? std::vector<Condition>{} : parseConditions(filter);
    filter_ = filter;
    rebuildView();
    current_ = count() > 0 ? 0 : -1;
    justDeleted_ = false;
}

bool RecordSet::find(const QString& criterion) {
    const auto conds = parseConditions(criterion);
    justDeleted_ = false;
    for (int r = std::max(current_, 0); r < count(); ++r) {
        if (matches(rows_[view_[size_t(r)]], conds)) {
            current_ = r;
            return true;
        }
    }
    current_ = count();
    return false;
}

} // namespace store
