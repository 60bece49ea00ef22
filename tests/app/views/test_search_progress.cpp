#include "app/views/search_progress.h"

#include <QProgressDialog>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

// A quick search never sees the dialog; a long one shows its nodes after a second, and Esc on
// the dialog stops it, the stop holding for every later question.
TEST(SearchProgress, ShowsAfterASecondAndEscStopsTheSearch) {
    QWidget window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    widgets::SearchProgress search(&window, QStringLiteral("Buscando el plan…"));
    EXPECT_TRUE(search(1));
    EXPECT_EQ(window.findChild<QProgressDialog*>(QStringLiteral("dlgBusquedaEntera")), nullptr);

    QTest::qWait(1100);
    EXPECT_TRUE(search(1));
    auto* dialog = window.findChild<QProgressDialog*>(QStringLiteral("dlgBusquedaEntera"));
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->labelText(), QStringLiteral("Buscando el plan… 1 nodo"));
    QTest::qWait(60);
    EXPECT_TRUE(search(2500));
    EXPECT_EQ(dialog->labelText(), QStringLiteral("Buscando el plan… 2500 nodos"));

    QTest::keyClick(dialog, Qt::Key_Escape);
    EXPECT_FALSE(search(2501));
    EXPECT_FALSE(search(2502)); // within the 50 ms between polls too
    search.close();
    EXPECT_EQ(window.findChild<QProgressDialog*>(QStringLiteral("dlgBusquedaEntera")), nullptr);
}
