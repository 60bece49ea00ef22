#include "app/views/keyboard_rules.h"

#include "app/messages.h"
#include "app/number_text.h"
#include "support/scripted_messages.h"

#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {

// A dialog whose default button would swallow a stray Enter: tests check it never runs.
struct Dialog {
    QDialog window;
    QVBoxLayout* layout = new QVBoxLayout(&window);
    QPushButton* fallbackButton = add<QPushButton>("cmdDefault");
    QSignalSpy fallback{fallbackButton, &QPushButton::clicked};

    Dialog() { fallbackButton->setDefault(true); }
    template <class W> W* add(const char* name) {
        auto* w = new W(&window);
        w->setObjectName(QString::fromLatin1(name));
        layout->addWidget(w);
        return w;
    }
    void open() {
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }
};

// Moves the focus away as a click or Tab does and lets the deferred checks run.
void leaveFor(QWidget* next, Qt::FocusReason reason = Qt::MouseFocusReason) {
    next->setFocus(reason);
    QTest::qWait(20);
}

// A grid of values with a floating editor that accepts numbers only, as a grid editor does.
struct GridEditor : ::testing::Test {
    Dialog d;
    QTableWidget* grid = d.add<QTableWidget>("FlexGrid1");
    QPushButton* other = d.add<QPushButton>("cmdClose");
    QLineEdit* txtAux = new QLineEdit(&d.window);
    keys::InGridEditor* editor = new keys::InGridEditor(txtAux, grid);
    ScriptedMessages messages;
    std::vector<int> finished;

    void SetUp() override {
        txtAux->setObjectName("txt_aux");
        grid->setRowCount(3);
        grid->setColumnCount(2);
        for (int r = 0; r < 3; ++r)
            grid->setItem(r, 1, new QTableWidgetItem(QStringLiteral("%1.5").arg(r)));
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

TEST(KeyboardRules, EditorFieldsEnterMovesOnDatesAreCheckedPopupsHide) {
    Dialog d;
    auto* text2 = d.add<QLineEdit>("Text2");
    auto* text3 = d.add<QLineEdit>("Text3");
    auto* text4 = d.add<QLineEdit>("Text4");
    auto* text5 = d.add<QLineEdit>("Text5");
    auto* text8 = d.add<QLineEdit>("Text8");
    keys::enterMovesOn({text2, text3});
    keys::dateFieldRule(text4);
    keys::hideOnClickOrLeave(text8);
    QSignalSpy validations(text2, &QLineEdit::editingFinished);
    ScriptedMessages messages;
    d.open();

    text2->setFocus();
    QTest::keyClicks(text2, "12");
    QTest::keyClick(text2, Qt::Key_Return);
    EXPECT_TRUE(text3->hasFocus());
    EXPECT_EQ(validations.count(), 1); // leaving the field validates it
    QTest::keyClick(text3, Qt::Key_Return);
    EXPECT_TRUE(text4->hasFocus());
    EXPECT_EQ(d.fallback.count(), 0);
    QTest::keyClick(text4, Qt::Key_Return); // a field without the rule keeps the dialog's Enter
    EXPECT_EQ(d.fallback.count(), 1);

    QTest::keyClicks(text4, "31/02/2009");
    leaveFor(text5, Qt::TabFocusReason);
    EXPECT_EQ(messages.texts(), QStringList{"La fecha no es Válida"});
    EXPECT_TRUE(text4->hasFocus());
    text4->setText("1/2/2009");
    leaveFor(text5, Qt::TabFocusReason);
    EXPECT_EQ(text4->text(), "01/02/2009");
    EXPECT_TRUE(text5->hasFocus());
    EXPECT_EQ(messages.shown().size(), 1u);

    // A read-only box over a cell hides when left or clicked.
    text8->setFocus();
    leaveFor(text5);
    EXPECT_FALSE(text8->isVisible());
    text8->show();
    QTest::mouseClick(text8, Qt::LeftButton);
    EXPECT_FALSE(text8->isVisible());
}

TEST(KeyboardRules, ListViewsSearchOnEnterCancelOnEscAndActivateRowsByMode) {
    Dialog d;
    auto* text1 = d.add<QLineEdit>("Text1");
    auto* combo1 = d.add<QComboBox>("Combo1");
    auto* grid = d.add<QTableWidget>("FlexGrid1");
    auto* cmdEditar = d.add<QPushButton>("cmdEditar");
    auto* command4 = d.add<QPushButton>("Command4");
    auto* command3 = d.add<QPushButton>("Command3");
    command3->hide(); // hidden in maintenance mode, Esc still cancels
    grid->setRowCount(2);
    grid->setColumnCount(2);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    int searches = 0;
    QSignalSpy edits(cmdEditar, &QPushButton::clicked);
    QSignalSpy picks(command4, &QPushButton::clicked);
    QSignalSpy cancels(command3, &QPushButton::clicked);
    QString gModo = "ABM";
    keys::searchOnEnter({text1, combo1}, [&] { ++searches; });
    keys::escapeRunsCancel(&d.window, command3);
    keys::listGridActivation(
        grid, [&] { return keys::listModeFromText(gModo); }, cmdEditar, command4);
    d.open();

    text1->setFocus();
    QTest::keyClicks(text1, "maiz");
    QTest::keyClick(text1, Qt::Key_Return);
    QTest::keyClick(text1, Qt::Key_Enter, Qt::KeypadModifier);
    combo1->setFocus();
    QTest::keyClick(combo1, Qt::Key_Return);
    EXPECT_EQ(searches, 3);
    EXPECT_EQ(text1->text(), "maiz");

    // A real double click starts with a press, which the view needs to know the row.
    auto doubleClick = [&](QPoint at) {
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    };
    const QPoint cell = grid->visualRect(grid->model()->index(0, 1)).center();
    grid->setFocus();
    grid->setCurrentCell(1, 0);
    QTest::keyClick(grid, Qt::Key_Return);
    doubleClick(cell);
    EXPECT_EQ(edits.count(), 2);
    EXPECT_EQ(picks.count(), 0);
    gModo = " buscar ";
    QTest::keyClick(grid, Qt::Key_Enter, Qt::KeypadModifier);
    doubleClick(cell);
    doubleClick(QPoint(cell.x(), grid->viewport()->height() - 2)); // below the last row
    EXPECT_EQ(edits.count(), 2);
    EXPECT_EQ(picks.count(), 2);
    EXPECT_EQ(d.fallback.count(), 0);

    QTest::keyClick(grid, Qt::Key_Escape);
    text1->setFocus();
    QTest::keyClick(text1, Qt::Key_Escape);
    EXPECT_EQ(cancels.count(), 2);
    EXPECT_TRUE(d.window.isVisible()); // the dialog's own Esc did not run as well
    QLineEdit elsewhere;               // another window keeps its Esc
    elsewhere.show();
    QTest::keyClick(&elsewhere, Qt::Key_Escape);
    EXPECT_EQ(cancels.count(), 2);
}

TEST_F(GridEditor, EscapeLeavesTheValueEnterStoresIt) {
    editor->begin(1, 1, cell(1));
    EXPECT_TRUE(txtAux->hasFocus());
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
    EXPECT_EQ(editor->lastKey(), 13);
    EXPECT_EQ(finished, (std::vector<int>{27, 13}));
    EXPECT_EQ(d.fallback.count(), 0);
    EXPECT_TRUE(messages.shown().empty());
}

TEST_F(GridEditor, LeavingByClickCountsAsEnterAndARefusedValueKeepsTheEditGoing) {
    editor->begin(0, 1, cell(0));
    type("abc");
    QTest::keyClick(txtAux, Qt::Key_Return);
    EXPECT_EQ(messages.texts(), QStringList{"El valor debe ser numérico"});
    EXPECT_TRUE(txtAux->hasFocus());
    EXPECT_TRUE(editor->isEditing());
    leaveFor(other); // with the refused value: checked again, the focus comes back
    EXPECT_EQ(messages.shown().size(), 2u);
    EXPECT_TRUE(txtAux->hasFocus());
    EXPECT_EQ(cell(0), "0.5");
    EXPECT_TRUE(finished.empty());

    txtAux->selectAll();
    type("9");
    leaveFor(other);
    EXPECT_EQ(cell(0), "9");
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
    leaveFor(other);
    EXPECT_EQ(asked, "8");
    EXPECT_EQ(cell(2), "2.5");
    EXPECT_FALSE(txtAux->isVisible());
    EXPECT_EQ(finished, (std::vector<int>{13, 27}));
}
