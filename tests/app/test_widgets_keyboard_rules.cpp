#include "widgets/keyboard_rules.h"

#include "app/messages.h"
#include "app/number_text.h"
#include "support/scripted_messages.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {

// A dialog whose default button would swallow a stray Enter: every test checks it never runs.
struct Dialog {
    QDialog window;
    QVBoxLayout* layout = new QVBoxLayout(&window);
    QPushButton* fallback = add<QPushButton>("cmdDefault");
    int fallbackClicks = 0;

    Dialog() {
        fallback->setDefault(true);
        QObject::connect(fallback, &QPushButton::clicked, &window, [this] { ++fallbackClicks; });
    }
    template <class W> W* add(const char* name) {
        auto* w = new W(&window);
        w->setObjectName(QString::fromLatin1(name));
        layout->addWidget(w);
        return w;
    }
    template <class W> W* find(const char* name) {
        return window.findChild<W*>(QString::fromLatin1(name));
    }
    void open() {
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }
};

} // namespace

TEST(KeyboardRules, EnterInSearchFieldsRunsTheSearchOnly) {
    Dialog d;
    auto* text1 = d.add<QLineEdit>("Text1");
    auto* combo1 = d.add<QComboBox>("Combo1");
    combo1->addItems({"", "%", "mg"});
    int searches = 0;
    keys::searchOnEnter({text1, combo1}, [&] { ++searches; });
    d.open();

    text1->setFocus();
    QTest::keyClicks(text1, "maiz");
    QTest::keyClick(text1, Qt::Key_Return);
    QTest::keyClick(text1, Qt::Key_Enter, Qt::KeypadModifier);
    combo1->setFocus();
    QTest::keyClick(combo1, Qt::Key_Return);
    EXPECT_EQ(searches, 3);
    EXPECT_EQ(text1->text(), "maiz");
    EXPECT_EQ(d.fallbackClicks, 0);
}

TEST(KeyboardRules, EnterInAnEditorFieldMovesOnLikeTab) {
    Dialog d;
    auto* text1 = d.add<QLineEdit>("Text1");
    auto* text2 = d.add<QLineEdit>("Text2");
    auto* text3 = d.add<QLineEdit>("Text3");
    keys::enterMovesOn({text1, text2});
    int validations = 0;
    QObject::connect(text1, &QLineEdit::editingFinished, &d.window, [&] { ++validations; });
    d.open();

    text1->setFocus();
    QTest::keyClicks(text1, "12");
    QTest::keyClick(text1, Qt::Key_Return);
    EXPECT_TRUE(text2->hasFocus());
    EXPECT_EQ(validations, 1); // leaving the field validates it
    QTest::keyClick(text2, Qt::Key_Return);
    EXPECT_TRUE(text3->hasFocus());
    EXPECT_EQ(d.fallbackClicks, 0);
    // A field without the rule keeps the dialog's own Enter.
    QTest::keyClick(text3, Qt::Key_Return);
    EXPECT_EQ(d.fallbackClicks, 1);
}

namespace {

// A grid of values with a floating editor that accepts numbers only, as a grid editor does.
struct GridEditorFixture : ::testing::Test {
    Dialog d;
    QTableWidget* grid = d.add<QTableWidget>("FlexGrid1");
    QPushButton* other = d.add<QPushButton>("cmdClose");
    QLineEdit* txtAux = new QLineEdit(&d.window);
    keys::InGridEditor* editor = nullptr;
    ScriptedMessages messages;
    std::vector<int> finished;

    void SetUp() override {
        txtAux->setObjectName("txt_aux");
        grid->setRowCount(3);
        grid->setColumnCount(2);
        for (int r = 0; r < 3; ++r) {
            grid->setItem(r, 0, new QTableWidgetItem(QStringLiteral("N%1").arg(r)));
            grid->setItem(r, 1, new QTableWidgetItem(QStringLiteral("%1.5").arg(r)));
        }
        editor = new keys::InGridEditor(txtAux, grid);
        editor->setCommit([this](const QString& text) {
            if (!numtext::isNumber(text)) {
                msg::msgBox("El valor debe ser numérico", msg::Critical);
                return false;
            }
            grid->item(editor->row(), editor->column())->setText(text.trimmed());
            return true;
        });
        editor->setFinished([this](int key) { finished.push_back(key); });
        d.open();
    }
    void type(const QString& text) { QTest::keyClicks(txtAux, text); }
    QString cell(int r) const { return grid->item(r, 1)->text(); }
};

} // namespace

TEST_F(GridEditorFixture, EscapeLeavesTheValueEnterStoresIt) {
    editor->begin(1, 1, cell(1));
    EXPECT_TRUE(txtAux->isVisible());
    EXPECT_TRUE(txtAux->hasFocus());
    EXPECT_EQ(editor->lastKey(), 0);
    EXPECT_EQ(txtAux->selectedText(), "1.5"); // typing replaces the whole value
    const QRect cellRect = grid->visualRect(grid->model()->index(1, 1));
    EXPECT_EQ(txtAux->geometry().topLeft(), grid->viewport()->mapTo(&d.window, cellRect.topLeft()));

    type("42");
    QTest::keyClick(txtAux, Qt::Key_Escape);
    EXPECT_EQ(cell(1), "1.5");
    EXPECT_FALSE(txtAux->isVisible());
    EXPECT_EQ(editor->lastKey(), 27);
    EXPECT_TRUE(grid->hasFocus());
    EXPECT_EQ(grid->currentRow(), 1);
    EXPECT_EQ(grid->currentColumn(), 1);

    editor->begin(2, 1, cell(2));
    EXPECT_EQ(editor->lastKey(), 0); // reset for each cell
    type("7.25");
    QTest::keyClick(txtAux, Qt::Key_Return);
    EXPECT_EQ(cell(2), "7.25");
    EXPECT_FALSE(txtAux->isVisible());
    EXPECT_EQ(editor->lastKey(), 13);
    EXPECT_EQ(finished, (std::vector<int>{27, 13}));
    EXPECT_EQ(d.fallbackClicks, 0);
    EXPECT_TRUE(messages.shown().empty());
}

TEST_F(GridEditorFixture, RefusedValueKeepsTheEditGoing) {
    editor->begin(0, 1, cell(0));
    type("abc");
    QTest::keyClick(txtAux, Qt::Key_Return);
    ASSERT_EQ(messages.texts(), QStringList{"El valor debe ser numérico"});
    EXPECT_EQ(messages.shown()[0].style, 16);
    EXPECT_EQ(cell(0), "0.5");
    EXPECT_TRUE(txtAux->isVisible());
    EXPECT_TRUE(txtAux->hasFocus());
    EXPECT_TRUE(editor->isEditing());
    EXPECT_TRUE(finished.empty());

    // Leaving by a click with a refused value brings the focus back to the box.
    other->setFocus(Qt::MouseFocusReason);
    QTest::qWait(20);
    EXPECT_EQ(messages.shown().size(), 2u);
    EXPECT_TRUE(txtAux->isVisible());
    EXPECT_TRUE(txtAux->hasFocus());
    EXPECT_EQ(cell(0), "0.5");

    txtAux->selectAll();
    type("3");
    QTest::keyClick(txtAux, Qt::Key_Return);
    EXPECT_EQ(cell(0), "3");
    EXPECT_FALSE(editor->isEditing());
}

TEST_F(GridEditorFixture, LeavingByClickCountsAsEnterUnlessTheViewSaysOtherwise) {
    editor->begin(1, 1, cell(1));
    type("9");
    other->setFocus(Qt::MouseFocusReason);
    QTest::qWait(20);
    EXPECT_EQ(cell(1), "9");
    EXPECT_FALSE(txtAux->isVisible());
    EXPECT_EQ(editor->lastKey(), 13);

    // The composition editor asks first; a No counts as Esc.
    QString asked;
    editor->setUnconfirmed([&](const QString& text) {
        asked = text;
        return int(keys::InGridEditor::Escape);
    });
    editor->begin(2, 1, cell(2));
    type("8");
    other->setFocus(Qt::MouseFocusReason);
    QTest::qWait(20);
    EXPECT_EQ(asked, "8");
    EXPECT_EQ(cell(2), "2.5");
    EXPECT_FALSE(txtAux->isVisible());
    EXPECT_EQ(finished, (std::vector<int>{13, 27}));
}

TEST(KeyboardRules, ReadOnlyPopupHidesOnClickOrLeave) {
    Dialog d;
    auto* text8 = d.add<QLineEdit>("Text8");
    auto* other = d.add<QLineEdit>("Text1");
    keys::hideOnClickOrLeave(text8);
    d.open();
    text8->setFocus();
    other->setFocus(Qt::MouseFocusReason);
    EXPECT_FALSE(text8->isVisible());
    text8->show();
    QTest::mouseClick(text8, Qt::LeftButton);
    EXPECT_FALSE(text8->isVisible());
}

TEST(KeyboardRules, DateFieldsAreCheckedOnLeaving) {
    Dialog d;
    auto* text4 = d.add<QLineEdit>("Text4");
    auto* text5 = d.add<QLineEdit>("Text5");
    keys::dateFieldRule(text4);
    ScriptedMessages messages;
    d.open();

    text4->setFocus();
    QTest::keyClicks(text4, "31/02/2009");
    text5->setFocus(Qt::TabFocusReason);
    QTest::qWait(20);
    EXPECT_EQ(messages.texts(), QStringList{"La fecha no es Válida"});
    EXPECT_TRUE(text4->hasFocus());

    text4->setText("1/2/2009");
    text5->setFocus(Qt::TabFocusReason);
    QTest::qWait(20);
    EXPECT_EQ(text4->text(), "01/02/2009");
    EXPECT_TRUE(text5->hasFocus());

    text4->setText("  ");
    text4->setFocus();
    text5->setFocus(Qt::TabFocusReason);
    QTest::qWait(20);
    EXPECT_EQ(text4->text(), "  ");
    EXPECT_EQ(messages.shown().size(), 1u);
}

TEST(KeyboardRules, EscapeAnywhereInAListViewCancels) {
    Dialog d;
    auto* text3 = d.add<QLineEdit>("Text3");
    auto* grid = d.add<QTableWidget>("FlexGrid1");
    auto* command3 = d.add<QPushButton>("Command3");
    command3->hide(); // hidden in maintenance mode, Esc still cancels
    int cancels = 0;
    QObject::connect(command3, &QPushButton::clicked, &d.window, [&] { ++cancels; });
    keys::escapeRunsCancel(&d.window, command3);
    d.open();

    text3->setFocus();
    QTest::keyClick(text3, Qt::Key_Escape);
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Escape);
    EXPECT_EQ(cancels, 2);
    EXPECT_TRUE(d.window.isVisible()); // the dialog's own Esc did not run as well

    // Another window keeps its Esc.
    QLineEdit elsewhere;
    elsewhere.show();
    QTest::keyClick(&elsewhere, Qt::Key_Escape);
    EXPECT_EQ(cancels, 2);
}

TEST(KeyboardRules, ListGridRunsEditOrPickByMode) {
    Dialog d;
    auto* grid = d.add<QTableWidget>("FlexGrid1");
    auto* cmdEditar = d.add<QPushButton>("cmdEditar");
    auto* command4 = d.add<QPushButton>("Command4");
    grid->setRowCount(2);
    grid->setColumnCount(2);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 2; ++c)
            grid->setItem(r, c, new QTableWidgetItem("x"));
    int edits = 0;
    int picks = 0;
    QObject::connect(cmdEditar, &QPushButton::clicked, &d.window, [&] { ++edits; });
    QObject::connect(command4, &QPushButton::clicked, &d.window, [&] { ++picks; });
    QString gModo = "ABM";
    keys::listGridActivation(
        grid, [&] { return keys::listModeFromText(gModo); }, cmdEditar, command4);
    d.open();

    grid->setFocus();
    grid->setCurrentCell(1, 0);
    QTest::keyClick(grid, Qt::Key_Return);
    const QPoint cell = grid->visualRect(grid->model()->index(0, 1)).center();
    // A real double click starts with a press, which the view needs to know the row.
    auto doubleClick = [&](QPoint at) {
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    };
    doubleClick(cell);
    EXPECT_EQ(edits, 2);
    EXPECT_EQ(picks, 0);

    gModo = "BUSCAR";
    QTest::keyClick(grid, Qt::Key_Enter, Qt::KeypadModifier);
    doubleClick(cell);
    EXPECT_EQ(edits, 2);
    EXPECT_EQ(picks, 2);

    // A double click below the last row is not on a row.
    doubleClick(QPoint(cell.x(), grid->viewport()->height() - 2));
    EXPECT_EQ(picks, 2);
    EXPECT_EQ(d.fallbackClicks, 0);
    EXPECT_EQ(keys::listModeFromText(" buscar "), keys::ListMode::Pick);
    EXPECT_EQ(keys::listModeFromText(""), keys::ListMode::Maintain);
}
