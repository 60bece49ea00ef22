#pragma once

#include "store/database.h"

#include <QTemporaryDir>
#include <memory>

// A new database file in a temporary folder, removed with the object.
class TempDatabase {
public:
    explicit TempDatabase(bool withSample = false);
    store::Database& db() { return *db_; }
    QString path() const { return path_; }

private:
    QTemporaryDir dir_;
    QString path_;
    std::unique_ptr<store::Database> db_;
};
