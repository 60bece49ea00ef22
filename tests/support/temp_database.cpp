#include "support/temp_database.h"

TempDatabase::TempDatabase(bool withSample) : path_(dir_.filePath("test.db")) {
    store::Database::createFile(path_, withSample);
    db_ = store::Database::openFile(path_);
}
