#include "shell/views/menu.h"

#include "app/help_documents.h"
#include "app/regional_settings.h"
#include "app/views/frmacercade.h"
#include "app/views/modal.h"
#include "book/views/frmReformular.h"
#include "catalog/views/frmActualizarComposicion.h"
#include "catalog/views/frmActualizarPrecios.h"
#include "catalog/views/frmAnalisisLaboratorio.h"
#include "catalog/views/frmGrupos.h"
#include "catalog/views/frmproductos.h"
#include "catalog/views/frmpropiedades.h"
#include "formulas/views/frmformulas.h"
#include "home/views/start_page_view.h"
#include "import/views/frmImportacion.h"
#include "import/views/frmOrigendeDatos.h"
#include "plans/views/frmPlanes.h"
#include "workspace/views/frmoptimizacion.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>

namespace app {

namespace {

// Without a database (the window's own tests) there is nothing to summarise.
QLabel* emptyBackground(QWidget* parent) {
    auto* background = new QLabel(QStringLiteral("Dosivant"), parent);
    background->setAlignment(Qt::AlignCenter);
    QFont font = background->font();
    font.setPointSize(36);
    font.setBold(true);
    background->setFont(font);
    background->setEnabled(false);
    return background;
}

} // namespace

menu::menu(std::unique_ptr<store::Database> cnBase, QWidget* parent)
    : QMainWindow(parent), cnBase_(std::move(cnBase)) {
    setObjectName(QStringLiteral("menu"));
    setWindowTitle(QStringLiteral("Dosivant - Formulación de raciones al mínimo costo"));

    if (cnBase_)
        buildStartPage();
    else
        setCentralWidget(emptyBackground(this));

    buildMenus();
    resize(900, 600);
}

menu::~menu() = default;

void menu::buildStartPage() {
    startPage_ = new home::StartPageView(*cnBase_, this);
    setCentralWidget(startPage_);
    const home::DatabaseDescription& database = startPage_->page().database;
    setWindowTitle(database.windowTitle());
    auto* status = new QLabel(database.statusText(), this);
    status->setObjectName(QStringLiteral("lblBaseDatosEstado"));
    statusBar()->addWidget(status, 1);
    connect(startPage_, &home::StartPageView::formulaChosen, this, &menu::openFormula);
    connect(startPage_, &home::StartPageView::worklistChosen, this, &menu::reformular_Click);
    connect(startPage_, &home::StartPageView::guideChosen, this, &menu::guiarapida_Click);
}

void menu::openTask(QDialog& view) {
    widgets::openModal(view);
    if (startPage_)
        startPage_->refresh();
}

void menu::openFormula(int idFormula) {
    if (!cnBase_)
        return;
    workspace::frmoptimizacion optimizacion(*cnBase_, idFormula);
    openTask(optimizacion);
}

QAction* menu::addItem(QMenu* to, const char* name, const QString& caption) {
    QAction* action = to->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

void menu::addSeparator(QMenu* to, const char* name) {
    to->addSeparator()->setObjectName(QString::fromLatin1(name));
}

void menu::buildMenus() {
    QMenu* datos = menuBar()->addMenu(QStringLiteral("&Datos del Sistema"));
    datos->setObjectName(QStringLiteral("datos"));
    connect(addItem(datos, "productos", QStringLiteral("&Ingredientes")), &QAction::triggered, this,
            &menu::productos_Click);
    addSeparator(datos, "sep1_1");
    connect(addItem(datos, "propiedades", QStringLiteral("&Nutrientes")), &QAction::triggered, this,
            &menu::propiedades_Click);
    connect(addItem(datos, "grupos", QStringLiteral("&Grupos de Ingredientes")),
            &QAction::triggered, this, &menu::grupos_Click);
    connect(addItem(datos, "actualizarprecios", QStringLiteral("&Actualizar Precios")),
            &QAction::triggered, this, &menu::actualizarprecios_Click);
    connect(addItem(datos, "actualizarcomposicion", QStringLiteral("Actualizar &Composición")),
            &QAction::triggered, this, &menu::actualizarcomposicion_Click);
    connect(addItem(datos, "analisislaboratorio", QStringLiteral("Análisis de &Laboratorio")),
            &QAction::triggered, this, &menu::analisislaboratorio_Click);
    addSeparator(datos, "sep11");
    connect(addItem(datos, "salir", QStringLiteral("&Salir")), &QAction::triggered, this,
            &QWidget::close);

    // The workspace and import views arrive with their own subsystems; until then their items
    // are shown but cannot be chosen.
    QMenu* formulas = menuBar()->addMenu(QStringLiteral("&Fórmulas"));
    formulas->setObjectName(QStringLiteral("formulas"));
    connect(addItem(formulas, "admformulas", QStringLiteral("&Administración de Fórmulas")),
            &QAction::triggered, this, &menu::admformulas_Click);
    addSeparator(formulas, "sep2_1");
    connect(addItem(formulas, "optimizacion", QStringLiteral("&Optimización")), &QAction::triggered,
            this, &menu::optimizacion_Click);
    connect(addItem(formulas, "reformular", QStringLiteral("&Reformular")), &QAction::triggered,
            this, &menu::reformular_Click);
    connect(addItem(formulas, "planes", QStringLiteral("&Planes de Producción")),
            &QAction::triggered, this, &menu::planes_Click);

    QMenu* utilidades = menuBar()->addMenu(QStringLiteral("&Utilidades"));
    utilidades->setObjectName(QStringLiteral("utilidades"));
    connect(addItem(utilidades, "ImpDatos",
                    QStringLiteral("&Importar datos de Ingredientes y Nutrientes")),
            &QAction::triggered, this, &menu::ImpDatos_Click);
    connect(addItem(utilidades, "OrigenDatos", QStringLiteral("&Configurar Origen de Datos")),
            &QAction::triggered, this, &menu::OrigenDatos_Click);

    QMenu* ayuda = menuBar()->addMenu(QStringLiteral("&Ayuda"));
    ayuda->setObjectName(QStringLiteral("ayuda"));
    connect(addItem(ayuda, "guiarapida", QStringLiteral("Guía Rápida de Formulación")),
            &QAction::triggered, this, &menu::guiarapida_Click);
    addSeparator(ayuda, "sepayuda");
    connect(addItem(ayuda, "acercadetarvel", QStringLiteral("Acerca de Tarvel Sistemas")),
            &QAction::triggered, this, &menu::acercadetarvel_Click);
    connect(addItem(ayuda, "version", QStringLiteral("Información sobre la Versión")),
            &QAction::triggered, this, &menu::version_Click);
}

void menu::productos_Click() {
    if (!cnBase_)
        return;
    catalog::frmproductos list(*cnBase_, keys::ListMode::Maintain);
    openTask(list);
}

void menu::propiedades_Click() {
    if (!cnBase_)
        return;
    catalog::frmpropiedades list(*cnBase_, keys::ListMode::Maintain);
    openTask(list);
}

void menu::grupos_Click() {
    if (!cnBase_)
        return;
    catalog::frmGrupos view(*cnBase_, this);
    openTask(view);
}

void menu::actualizarprecios_Click() {
    if (!cnBase_)
        return;
    IniRegionalSettings settings;
    catalog::frmActualizarPrecios view(*cnBase_, catalog::decimalMarkOf(settings), this);
    openTask(view);
}

void menu::actualizarcomposicion_Click() {
    if (!cnBase_)
        return;
    IniRegionalSettings settings;
    catalog::frmActualizarComposicion view(*cnBase_, catalog::decimalMarkOf(settings), this);
    openTask(view);
}

void menu::analisislaboratorio_Click() {
    if (!cnBase_)
        return;
    IniRegionalSettings settings;
    catalog::frmAnalisisLaboratorio view(*cnBase_, catalog::decimalMarkOf(settings),
                                         QDate::currentDate(), this);
    openTask(view);
}

void menu::admformulas_Click() {
    if (!cnBase_)
        return;
    formulas::frmformulas view(*cnBase_, keys::ListMode::Maintain, this);
    openTask(view);
}

void menu::guiarapida_Click() {
    openHelpDocument(kGuiaRapida);
}

void menu::acercadetarvel_Click() {
    openHelpDocument(kAcercaDeTarvel);
}

void menu::optimizacion_Click() {
    if (!cnBase_)
        return;
    workspace::frmoptimizacion optimizacion(*cnBase_, 0);
    openTask(optimizacion);
}

void menu::reformular_Click() {
    if (!cnBase_)
        return;
    book::frmReformular view(*cnBase_, this);
    openTask(view);
}

void menu::planes_Click() {
    if (!cnBase_)
        return;
    plans::frmPlanes view(*cnBase_, this);
    openTask(view);
}

void menu::version_Click() {
    frmacercade box;
    widgets::openModal(box);
}

void menu::ImpDatos_Click() {
    if (!cnBase_)
        return;
    import::frmImportacion view(*cnBase_, this);
    openTask(view);
}

void menu::OrigenDatos_Click() {
    import::frmOrigendeDatos view(this);
    widgets::openModal(view);
}

} // namespace app
