#pragma once

#include <QString>
#include <QTemporaryDir>
#include <memory>

// A PostgreSQL server of the test program's own: initdb into a temporary folder, listening only
// on a Unix socket in that folder, run as an unprivileged user when the tests run as root (the
// server refuses root). Started on first use and stopped when the program ends. A server that
// cannot start is a std::runtime_error whose text says why (binaries missing, initdb's or the
// server's own log).
class TestServer {
public:
    static TestServer& instance();
    ~TestServer();

    // A new, empty database on the server; returns its address for store::Database.
    QString createDatabase();
    // Drops a database made by createDatabase, ending any connection still open on it.
    void dropDatabase(const QString& url);
    // Runs a statement as the server's superuser on the maintenance database (for example
    // pg_terminate_backend, or creating a role without rights).
    void adminExec(const QString& sql);
    // The address of database `name` for another user.
    QString url(const QString& name, const QString& user = QStringLiteral("dosivant")) const;

private:
    TestServer();
    void run(const QStringList& command, const QString& what);

    QTemporaryDir dir_;
    QString binDir_;
    QString adminConnection_;
    int databases_ = 0;
};

// True when this test run is asked to use the server (DOSIVANT_TEST_ENGINE=postgresql).
bool testsOnServer();
