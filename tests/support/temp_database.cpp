#include "support/temp_database.h"

#include "support/test_server.h"

TempDatabase::TempDatabase(bool withSample)
    : path_(testsOnServer() ? TestServer::instance().createDatabase() : dir_.filePath("test.db")) {
    store::Database::createFile(path_, withSample);
    db_ = store::Database::openFile(path_);
}

TempDatabase::~TempDatabase() {
    db_.reset();
    if (testsOnServer())
        TestServer::instance().dropDatabase(path_);
}
