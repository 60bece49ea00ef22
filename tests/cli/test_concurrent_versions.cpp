#include "optimizer/sample_formulas.h"
#include "store/database.h"
#include "support/temp_database.h"

#include <QProcess>
#include <gtest/gtest.h>

namespace {

// `reformulate --save` of one formula, started as the user starts it.
std::unique_ptr<QProcess> startSave(const QString& database, const QString& code) {
    auto p = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* v : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(v);
    p->setProcessEnvironment(env);
    p->start(DOSIVANT_PROGRAM,
             {"reformulate", "--database", database, "--formula", code, "--save"});
    return p;
}

} // namespace

// Two people re-formulate the same formula at the same moment, again and again: each save gets
// a version of its own, on a file and on a server database alike, and both are told it saved.
TEST(ConcurrentVersions, TwoSavesAtOnceNeverShareAVersion) {
    constexpr int kRounds = 50;
    TempDatabase t(true);
    optimizer::formulateSampleFormulas(t.db());
    const QString code = QStringLiteral("CERDO-CREC");
    for (int round = 0; round < kRounds; ++round) {
        auto a = startSave(t.path(), code);
        auto b = startSave(t.path(), code);
        for (QProcess* p : {a.get(), b.get()}) {
            ASSERT_TRUE(p->waitForFinished(60000)) << round;
            EXPECT_EQ(p->exitCode(), 0) << round << ": " << p->readAllStandardError().toStdString();
        }
    }
    QList<int> versions, expected;
    store::RecordSet rs =
        t.db().query("select version from formulas where codigo='CERDO-CREC' order by version");
    for (rs.moveFirst(); !rs.eof(); rs.moveNext())
        versions << int(rs.toDouble("version"));
    for (int v = 0; v <= 2 * kRounds; ++v)
        expected << v;
    EXPECT_EQ(versions, expected);
}
