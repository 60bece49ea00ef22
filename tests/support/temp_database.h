#pragma once

#include "store/database.h"

#include <QTemporaryDir>
#include <memory>

// A new database file in a temporary folder, removed with the object. When the test run uses
// the server (DOSIVANT_TEST_ENGINE=postgresql), a new database on the test server instead, and
// path() is its address.
class TempDatabase {
public:
    explicit TempDatabase(bool withSample = false);
    ~TempDatabase();
    store::Database& db() { return *db_; }
    QString path() const { return path_; }

private:
    QTemporaryDir dir_;
    QString path_;
    std::unique_ptr<store::Database> db_;
};
