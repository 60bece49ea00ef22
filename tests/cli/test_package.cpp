// The Debian package made from this build (`make package`) brings what the program loads by name
// at run time, which the library scan of the packager cannot see.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

// A CPACK_ variable as the build's packaging configuration sets it.
QStringList packageList(const QString& variable) {
    QFile config(QFileInfo(DOSIVANT_PROGRAM).dir().filePath("../CPackConfig.cmake"));
    if (!config.open(QIODevice::ReadOnly))
        return {};
    const QRegularExpression line("set\\(" + variable + " \"([^\"]*)\"\\)");
    const QRegularExpressionMatch m = line.match(QString::fromUtf8(config.readAll()));
    QStringList packages;
    for (const QString& p : m.captured(1).split(',', Qt::SkipEmptyParts))
        packages << p.trimmed();
    return packages;
}

} // namespace

TEST(Package, DependsOnTheFontAndRecommendsTheSpanishDialogs) {
    const QStringList depends = packageList("CPACK_DEBIAN_PACKAGE_DEPENDS");
    ASSERT_FALSE(depends.isEmpty()) << "no CPackConfig.cmake beside the build";
    // The printout's columns are placed in millimetres with Arial's widths.
    EXPECT_TRUE(depends.contains("fonts-liberation2")) << depends.join(", ").toStdString();
    EXPECT_TRUE(depends.contains("libqt6sql6-sqlite"));
    EXPECT_TRUE(depends.contains("xdg-utils"));
    // Qt's own Spanish texts for the file, print and preview dialogs.
    EXPECT_TRUE(packageList("CPACK_DEBIAN_PACKAGE_RECOMMENDS").contains("qt6-translations-l10n"));
    EXPECT_TRUE(packageList("CPACK_DEBIAN_PACKAGE_RECOMMENDS").contains("libqt6sql6-psql"));
}
