#include "app/views/modal.h"

#include <QDialog>
#include <gtest/gtest.h>

// A runner that plays the user in one view may install another for a view that view opens; the
// outer runner must survive being replaced while it runs.
TEST(ModalHelper, RunnerInstalledInsideARunningRunnerLeavesTheOuterOneWhole) {
    QString seen;
    const QString outerName = QStringLiteral("outer");
    widgets::ScopedModalRunner outer([&, outerName](QDialog& dialog) {
        {
            widgets::ScopedModalRunner inner([&](QDialog& d) {
                seen += d.objectName();
                return int(QDialog::Accepted);
            });
            QDialog nested;
            nested.setObjectName(QStringLiteral("inner"));
            widgets::openModal(nested);
        }
        // Captured state of the outer runner is still alive here.
        seen += QStringLiteral("+") + outerName + QStringLiteral(":") + dialog.objectName();
        return int(QDialog::Rejected);
    });
    QDialog first;
    first.setObjectName(QStringLiteral("first"));
    EXPECT_EQ(widgets::openModal(first), QDialog::Rejected);
    EXPECT_EQ(seen, QStringLiteral("inner+outer:first"));
}
