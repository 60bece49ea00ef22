#include "app/message_styles.h"
#include "app/views/modal.h"
#include "catalog/groups.h"
#include "catalog/views/frmGrupos.h"
#include "catalog_view_helpers.h"
#include "support/qt_printers.h"
#include "support/scripted_messages.h"
#include "support/temp_database.h"

#include <QLabel>
#include <QPushButton>

namespace {

// The texts of one column of a named grid.
QStringList gridColumn(const QWidget& view, const char* grid, int c) {
    auto* g = control<QTableWidget>(view, grid);
    QStringList texts;
    for (int r = 0; g && r < g->rowCount(); ++r)
        texts << (g->item(r, c) ? g->item(r, c)->text() : QString());
    return texts;
}

} // namespace

TEST(GroupsView, CreateAddAMemberByPickingRemoveItAndDeleteTheGroup) {
    TempDatabase t(true);
    store::Database& db = t.db();
    ScriptedMessages messages;
    catalog::frmGrupos view(db);
    EXPECT_EQ(view.objectName(), "frmGrupos");
    EXPECT_EQ(view.windowTitle(), "Grupos de Ingredientes");
    EXPECT_EQ(gridColumn(view, "FlexGrid1", 1), (QStringList{"Granos", "Proteínas animales"}));
    EXPECT_EQ(gridColumn(view, "FlexGrid2", 1), (QStringList{"CEBADA", "MAIZ", "SORGO", "TRIGO"}));
    EXPECT_EQ(control<QLineEdit>(view, "txtNombre")->text(), "Granos");

    // Nuevo asks for the name in an emptied box, with the focus there: an empty name and a
    // name already taken are refused; a new one is created and selected, with no members.
    showActive(view);
    click(view, "cmdNuevo");
    auto* name = control<QLineEdit>(view, "txtNombre");
    EXPECT_TRUE(messages.texts().isEmpty());
    EXPECT_TRUE(view.namingNewGroup());
    EXPECT_EQ(name->text(), "");
    EXPECT_EQ(name->placeholderText(), "Nombre del grupo nuevo");
    EXPECT_TRUE(name->hasFocus());
    EXPECT_EQ(control<QPushButton>(view, "cmdNuevo")->text(), "&Grabar");
    EXPECT_FALSE(control<QPushButton>(view, "cmdEliminar")->isEnabled());
    EXPECT_EQ(catalog::listGroups(db).size(), 2u);
    click(view, "cmdNuevo");
    EXPECT_EQ(messages.texts(), QStringList{"Debe ingresar el Nombre del Grupo"});
    type(view, "txtNombre", "granos");
    click(view, "cmdNuevo");
    EXPECT_EQ(messages.texts().last(), "El Nombre del Grupo Ya fue Ingresado");
    EXPECT_EQ(catalog::listGroups(db).size(), 2u);
    type(view, "txtNombre", "Aminoácidos");
    click(view, "cmdNuevo");
    EXPECT_FALSE(view.namingNewGroup());
    EXPECT_EQ(control<QPushButton>(view, "cmdNuevo")->text(), "&Nuevo");
    EXPECT_EQ(gridColumn(view, "FlexGrid1", 1),
              (QStringList{"Aminoácidos", "Granos", "Proteínas animales"}));
    const int id = view.currentGroupId();
    EXPECT_EQ(view.groups().front().id, id);
    EXPECT_TRUE(view.members().empty());
    EXPECT_FALSE(control<QPushButton>(view, "cmdQuitar")->isEnabled());

    // Agregar opens the ingredient list to pick; the row picked joins the group, once.
    const int lisina = scalar(db, "select id_producto from productos where trim(codigo)='LISINA'");
    QString opened;
    widgets::ScopedModalRunner runner([&](QDialog& d) {
        opened = d.objectName() + ' ' + modeOf(d);
        return pickRow(d, lisina);
    });
    click(view, "cmdAgregar");
    EXPECT_EQ(opened, "frmproductos BUSCAR");
    EXPECT_EQ(gridColumn(view, "FlexGrid2", 1), QStringList{"LISINA"});
    messages.clear();
    click(view, "cmdAgregar");
    EXPECT_EQ(messages.texts(), QStringList{"El Ingrediente Ya se encuentra en el Grupo"});
    EXPECT_EQ(view.members().size(), 1u);

    // Renamed in place.
    type(view, "txtNombre", "Aminoácidos sintéticos");
    click(view, "cmdRenombrar");
    EXPECT_EQ(gridColumn(view, "FlexGrid1", 1).front(), "Aminoácidos sintéticos");
    EXPECT_EQ(view.currentGroupId(), id);

    // Quitar asks first: No keeps the member, Yes removes it.
    messages.clear();
    click(view, "cmdQuitar");
    EXPECT_EQ(
        messages.texts(),
        QStringList{"¿Desea quitar «L-Lisina HCl 98,5%» del Grupo «Aminoácidos sintéticos»?"});
    EXPECT_EQ(view.members().size(), 1u);
    messages.planAnswer(msg::Yes);
    click(view, "cmdQuitar");
    EXPECT_TRUE(view.members().empty());
    EXPECT_EQ(
        scalar(db, "select count(*) from grupo_producto where id_grupo=" + QString::number(id)), 0);

    // Eliminar asks with what goes along; Yes deletes and selects the next group.
    messages.clear();
    messages.planAnswer(msg::Yes);
    click(view, "cmdEliminar");
    EXPECT_EQ(messages.texts(), QStringList{"¿Desea eliminar el Grupo «Aminoácidos sintéticos»?"});
    EXPECT_EQ(gridColumn(view, "FlexGrid1", 1), (QStringList{"Granos", "Proteínas animales"}));
    EXPECT_EQ(view.members().size(), 4u);

    // A group limited by a formula says so, and No leaves it all in place.
    messages.clear();
    click(view, "cmdEliminar");
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].style, msg::QuestionDefaultNo); // a hurried Enter deletes nothing
    EXPECT_TRUE(messages.shown()[0].text.contains("límite en 1 fórmula"));
    EXPECT_EQ(catalog::listGroups(db).size(), 2u);
}

TEST(GroupsView, AnEmptyNameIsRefusedAndCancellingThePickAddsNothing) {
    TempDatabase t(true);
    ScriptedMessages messages;
    catalog::frmGrupos view(t.db());
    type(view, "txtNombre", "  ");
    click(view, "cmdRenombrar");
    EXPECT_EQ(messages.texts(), QStringList{"Debe ingresar el Nombre del Grupo"});
    EXPECT_EQ(gridColumn(view, "FlexGrid1", 1).front(), "Granos");

    widgets::ScopedModalRunner runner([](QDialog& d) {
        d.findChild<QAbstractButton*>("Command3")->click(); // Cancelar
        return d.result();
    });
    click(view, "cmdAgregar");
    EXPECT_EQ(view.members().size(), 4u);
    EXPECT_EQ(messages.texts().size(), 1);
}

TEST(GroupsView, SeveralIngredientsPickedWithCtrlClickJoinTogether) {
    TempDatabase t(true);
    store::Database& db = t.db();
    ScriptedMessages messages;
    catalog::frmGrupos view(db);
    // Choosing a group again leaves a new group unmade and shows its members back.
    click(view, "cmdNuevo");
    EXPECT_TRUE(view.members().empty());
    auto* groups = control<QTableWidget>(view, "FlexGrid1");
    QTest::mouseClick(groups->viewport(), Qt::LeftButton, {},
                      groups->visualItemRect(groups->item(0, 1)).center());
    EXPECT_FALSE(view.namingNewGroup());
    EXPECT_EQ(control<QLineEdit>(view, "txtNombre")->text(), "Granos");
    EXPECT_EQ(view.members().size(), 4u);

    QStringList heads;
    QStringList picked;
    widgets::ScopedModalRunner runner([&](QDialog& d) {
        d.show();
        // The code range says which box is which end.
        for (const char* label : {"lblCodigoDesde", "lblCodigoHasta"}) {
            auto* head = d.findChild<QLabel*>(label);
            heads << (head ? head->text() + ':' + head->buddy()->objectName() : QString());
        }
        auto* grid = d.findChild<QTableWidget*>("FlexGrid1");
        auto clickRow = [&](const QString& code, Qt::KeyboardModifiers keys) {
            for (int r = 0; r < grid->rowCount(); ++r)
                if (grid->item(r, 1) && grid->item(r, 1)->text().trimmed() == code) {
                    QTest::mouseClick(grid->viewport(), Qt::LeftButton, keys,
                                      grid->visualItemRect(grid->item(r, 2)).center());
                    picked << code;
                }
        };
        clickRow("AFRECHO", {});
        clickRow("SOJA44", Qt::ControlModifier);
        clickRow("MAIZ", Qt::ControlModifier); // already a member
        d.findChild<QAbstractButton*>("Command4")->click();
        return d.result();
    });
    click(view, "cmdAgregar");
    EXPECT_EQ(heads, (QStringList{"Desde:Text1", "Hasta:Text2"}));
    EXPECT_EQ(picked, (QStringList{"AFRECHO", "SOJA44", "MAIZ"}));
    EXPECT_EQ(gridColumn(view, "FlexGrid2", 1),
              (QStringList{"AFRECHO", "CEBADA", "SOJA44", "MAIZ", "SORGO", "TRIGO"}));
    EXPECT_EQ(messages.texts(), QStringList{"Se agregaron 2 Ingredientes al Grupo.\n1 ya se "
                                            "encontraba en el Grupo."});
}
