#include "support/test_server.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <stdexcept>
#include <unistd.h>

namespace {

constexpr uid_t kUnprivileged = 65534; // nobody / nogroup on Debian

QString findBinDir() {
    const QString fromEnvironment = qEnvironmentVariable("DOSIVANT_PG_BINDIR");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    QDir versions(QStringLiteral("/usr/lib/postgresql"));
    QStringList found = versions.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    std::sort(found.begin(), found.end(),
              [](const QString& a, const QString& b) { return a.toInt() > b.toInt(); });
    for (const QString& v : found)
        if (QFile::exists(versions.filePath(v + QStringLiteral("/bin/initdb"))))
            return versions.filePath(v + QStringLiteral("/bin"));
    throw std::runtime_error("No PostgreSQL server binaries under /usr/lib/postgresql/*/bin "
                             "(install the Debian package postgresql through "
                             "scripts/install-deps)");
}

} // namespace

bool testsOnServer() {
    return qEnvironmentVariable("DOSIVANT_TEST_ENGINE") == QStringLiteral("postgresql");
}

namespace {

TestServer* running = nullptr;

// Stopped while the application object still exists, before the process ends.
void stopServer() {
    delete running;
    running = nullptr;
}

} // namespace

TestServer& TestServer::instance() {
    if (!running) {
        running = new TestServer();
        qAddPostRoutine(stopServer);
    }
    return *running;
}

// Runs a server program, as the unprivileged user when we are root.
void TestServer::run(const QStringList& command, const QString& what) {
    QProcess p;
    QStringList args = command;
    QString program = args.takeFirst();
    if (::geteuid() == 0) {
        args.prepend(program);
        args = QStringList{QStringLiteral("--reuid=%1").arg(kUnprivileged),
                           QStringLiteral("--regid=%1").arg(kUnprivileged),
                           QStringLiteral("--clear-groups"), QStringLiteral("--")} +
               args;
        program = QStringLiteral("setpriv");
    }
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.setWorkingDirectory(dir_.path());
    p.start(program, args);
    if (!p.waitForFinished(180000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        QString log = QString::fromLocal8Bit(p.readAll());
        QFile serverLog(dir_.filePath(QStringLiteral("server.log")));
        if (serverLog.open(QIODevice::ReadOnly))
            log += QStringLiteral("\n--- server.log ---\n") +
                   QString::fromLocal8Bit(serverLog.readAll());
        throw std::runtime_error(
            QStringLiteral("The test PostgreSQL server could not %1 (%2 %3): %4 %5")
                .arg(what, program, args.join(u' '), p.errorString(), log)
                .toStdString());
    }
}

TestServer::TestServer() : binDir_(findBinDir()) {
    if (!dir_.isValid())
        throw std::runtime_error("No temporary folder for the test PostgreSQL server");
    // The server runs as another user when we are root: it must own its folder, and reach it.
    QFile::setPermissions(dir_.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                           QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                           QFile::ExeOther);
    if (::geteuid() == 0 &&
        ::chown(QFile::encodeName(dir_.path()).constData(), kUnprivileged, kUnprivileged) != 0)
        throw std::runtime_error("Cannot hand the test server's folder to the unprivileged user");
    const QString data = dir_.filePath(QStringLiteral("data"));
    run({binDir_ + QStringLiteral("/initdb"), QStringLiteral("-D"), data, QStringLiteral("-U"),
         QStringLiteral("dosivant"), QStringLiteral("--auth=trust"), QStringLiteral("-E"),
         QStringLiteral("UTF8"), QStringLiteral("--locale=C.UTF-8"), QStringLiteral("-N")},
        QStringLiteral("initialise its data folder"));
    // Only a Unix socket in our own folder: nothing listens on the network.
    const QString options =
        QStringLiteral("-k %1 -c listen_addresses= -c fsync=off -c synchronous_commit=off "
                       "-c full_page_writes=off -c max_connections=60")
            .arg(dir_.path());
    run({binDir_ + QStringLiteral("/pg_ctl"), QStringLiteral("-D"), data, QStringLiteral("-l"),
         dir_.filePath(QStringLiteral("server.log")), QStringLiteral("-w"), QStringLiteral("-t"),
         QStringLiteral("120"), QStringLiteral("-o"), options, QStringLiteral("start")},
        QStringLiteral("start"));
    adminConnection_ = QStringLiteral("dosivant-test-admin");
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), adminConnection_);
    db.setHostName(dir_.path());
    db.setDatabaseName(QStringLiteral("postgres"));
    db.setUserName(QStringLiteral("dosivant"));
    if (!db.open())
        throw std::runtime_error(
            ("The test PostgreSQL server does not accept connections: " + db.lastError().text())
                .toStdString());
}

TestServer::~TestServer() {
    {
        QSqlDatabase db = QSqlDatabase::database(adminConnection_, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(adminConnection_);
    try {
        run({binDir_ + QStringLiteral("/pg_ctl"), QStringLiteral("-D"),
             dir_.filePath(QStringLiteral("data")), QStringLiteral("-m"),
             QStringLiteral("immediate"), QStringLiteral("stop")},
            QStringLiteral("stop"));
    } catch (const std::exception&) {
        // The folder goes with the object either way.
    }
}

void TestServer::adminExec(const QString& sql) {
    QSqlQuery q(QSqlDatabase::database(adminConnection_, false));
    if (!q.exec(sql))
        throw std::runtime_error(
            (q.lastError().text() + QStringLiteral(" [") + sql + u']').toStdString());
}

QString TestServer::url(const QString& name, const QString& user) const {
    return QStringLiteral("postgresql://%1@localhost/%2?host=%3").arg(user, name, dir_.path());
}

QString TestServer::createDatabase() {
    const QString name =
        QStringLiteral("prueba_%1_%2").arg(QCoreApplication::applicationPid()).arg(++databases_);
    adminExec(QStringLiteral("CREATE DATABASE ") + name);
    return url(name);
}

void TestServer::dropDatabase(const QString& url) {
    const QString name = url.section(u'/', 3).section(u'?', 0, 0);
    adminExec(QStringLiteral("DROP DATABASE IF EXISTS ") + name + QStringLiteral(" WITH (FORCE)"));
}
