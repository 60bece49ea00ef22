#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <vector>

namespace store {

// A comma-separated file with a header line; fields may be double-quoted.
class CsvTable {
public:
    static CsvTable parse(const QString& text);
    static CsvTable load(const QString& fileName); // throws StoreError when unreadable

    int rowCount() const { return int(rows_.size()); }
    QString at(int row, const QString& column) const;

private:
    QHash<QString, int> columns_;
    std::vector<QStringList> rows_;
};

} // namespace store
