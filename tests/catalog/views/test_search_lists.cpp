#include "catalog_view_helpers.h"
#include "support/scripted_messages.h"
#include "support/temp_database.h"

#include <QPushButton>
#include <memory>

namespace {

// The position of each named control in the window's focus chain (Tab order).
int tabPosition(const QWidget& view, const char* name) {
    const QWidget* target = control(view, name);
    int position = 0;
    for (const QWidget* w = view.nextInFocusChain(); w != &view; w = w->nextInFocusChain()) {
        if (w == target)
            return position;
        ++position;
    }
    return -1;
}

// Tab runs through the search panel, then the grid, then the buttons, whatever the list; a
// click on a button leaves the focus where it was only in the formula list, where a date box
// being left must be checked once.
void expectListLayout(const QWidget& view, std::initializer_list<const char*> panel,
                      Qt::FocusPolicy buttons) {
    const std::string list = view.objectName().toStdString();
    const int grid = tabPosition(view, "FlexGrid1");
    for (const char* field : panel) {
        EXPECT_GE(tabPosition(view, field), 0) << list << " " << field;
        EXPECT_LT(tabPosition(view, field), grid) << list << " " << field;
    }
    EXPECT_LT(grid, tabPosition(view, "cmdAdd")) << list;
    EXPECT_LT(tabPosition(view, "cmdAdd"), tabPosition(view, "cmdEditar")) << list;
    EXPECT_LT(tabPosition(view, "cmdPrint"), tabPosition(view, "cmdClose")) << list;
    EXPECT_LT(tabPosition(view, "cmdClose"), tabPosition(view, "Command4")) << list;
    EXPECT_LT(tabPosition(view, "Command4"), tabPosition(view, "Command3")) << list;
    for (const char* name : {"Command1", "cmdAdd", "cmdDelete", "cmdPrint", "Command4"})
        EXPECT_EQ(control(view, name)->focusPolicy(), buttons) << list << " " << name;
}

} // namespace

TEST(SearchLists, PanelGridAndButtonsInTabOrderWithTheirFocusRule) {
    TempDatabase t(true);
    ScriptedMessages messages;
    for (keys::ListMode mode : {kMaintain, kPick}) {
        catalog::frmproductos ingredients(t.db(), mode);
        expectListLayout(ingredients, {"Text1", "Text8", "Combo1", "Command1", "Command9"},
                         Qt::StrongFocus);
        EXPECT_LT(tabPosition(ingredients, "cmdDelete"),
                  tabPosition(ingredients, "CmdPropiedades"));
        EXPECT_LT(tabPosition(ingredients, "CmdPropiedades"), tabPosition(ingredients, "cmdPrint"));
        EXPECT_EQ(control(ingredients, "CmdPropiedades")->isHidden(), mode == kPick);

        catalog::frmpropiedades nutrients(t.db(), mode);
        expectListLayout(nutrients, {"Text1", "Command1"}, Qt::StrongFocus);

        formulas::frmformulas formulaList(t.db(), mode);
        expectListLayout(formulaList, {"Text1", "Text13", "Text7", "Command5", "Command2"},
                         Qt::TabFocus);
        for (QWidget* list :
             std::initializer_list<QWidget*>{&ingredients, &nutrients, &formulaList}) {
            EXPECT_EQ(control(*list, "Command4")->isHidden(), mode == kMaintain);
            EXPECT_EQ(control(*list, "cmdAdd")->isHidden(), mode == kPick);
        }
    }
}
