#include "import/views/frmOrigendeDatos.h"

#include "app/messages.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace import {

frmOrigendeDatos::frmOrigendeDatos(QWidget* parent, QString dsnPath, QString teamSettings)
    : QDialog(parent), dsnPath_(std::move(dsnPath)), teamSettings_(std::move(teamSettings)) {
    setObjectName(QStringLiteral("frmOrigendeDatos"));
    setWindowTitle(QStringLiteral("Utilidades - Origen de Datos"));

    auto* Label1 = new QLabel(QStringLiteral("Origen de datos Actual:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    TxtDBQ = new QLineEdit(this);
    TxtDBQ->setObjectName(QStringLiteral("TxtDBQ"));
    TxtDBQ->setReadOnly(true); // the path comes from the file dialog only
    Txtdefdir = new QLineEdit(this);
    Txtdefdir->setObjectName(QStringLiteral("Txtdefdir"));
    Txtdefdir->setReadOnly(true);

    auto* newButton = new QPushButton(QStringLiteral("Nuevo"), this);
    newButton->setObjectName(QStringLiteral("Command1"));
    connect(newButton, &QPushButton::clicked, this, &frmOrigendeDatos::chooseSource);
    auto* saveButton = new QPushButton(QStringLiteral("Grabar"), this);
    saveButton->setObjectName(QStringLiteral("Command2"));
    connect(saveButton, &QPushButton::clicked, this, &frmOrigendeDatos::saveSource);
    auto* exitButton = new QPushButton(QStringLiteral("Salir"), this);
    exitButton->setObjectName(QStringLiteral("Command3"));
    connect(exitButton, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(newButton);
    buttons->addWidget(saveButton);
    buttons->addWidget(exitButton);
    auto* teamLabel = new QLabel(
        QStringLiteral("Base de datos del equipo (servidor PostgreSQL; vacío: el archivo):"), this);
    teamLabel->setObjectName(QStringLiteral("lblServidor"));
    TxtServidor = new QLineEdit(app::readTeamDatabase(teamSettings_), this);
    TxtServidor->setObjectName(QStringLiteral("TxtServidor"));
    TxtServidor->setPlaceholderText(QStringLiteral("postgresql://usuario@servidor/base"));
    auto* cmdServidor = new QPushButton(QStringLiteral("Usar al iniciar"), this);
    cmdServidor->setObjectName(QStringLiteral("cmdServidor"));
    connect(cmdServidor, &QPushButton::clicked, this, &frmOrigendeDatos::cmdServidor_Click);
    auto* team = new QHBoxLayout;
    team->addWidget(TxtServidor, 1);
    team->addWidget(cmdServidor);

    auto* layout = new QGridLayout(this);
    layout->addWidget(Label1, 0, 0);
    layout->addWidget(TxtDBQ, 1, 0);
    layout->addWidget(Txtdefdir, 2, 0);
    layout->addLayout(buttons, 3, 0);
    layout->addWidget(teamLabel, 4, 0);
    layout->addLayout(team, 5, 0);
    resize(560, 200);

    if (const auto values = readDsn(dsnPath_))
        showValues(values->dbq, values->defaultDir);
    else
        showValues(QString(), QString());
}

void frmOrigendeDatos::showValues(const QString& dbq, const QString& defaultDir) {
    dbq_ = dbq;
    defaultDir_ = defaultDir;
    TxtDBQ->setText(dbq.isEmpty() ? kSinOrigen : displayValue(dbq));
    Txtdefdir->setText(displayValue(defaultDir));
}

void frmOrigendeDatos::chooseSource() {
    const QString chosen =
        widgets::chooseOpenFile(this, QStringLiteral("Seleccione el origen de datos"),
                                QStringLiteral("Dosivant (*.mdb);;"
                                               "Dosivant SQLite (*.db *.sqlite *.sqlite3);;"
                                               "Todos los archivos (*)"));
    if (chosen.isEmpty())
        showValues(QString(), QString());
    else
        showValues(chosen, folderOf(chosen));
}

void frmOrigendeDatos::saveSource() {
    if (dbq_.isEmpty())
        return;
    if (!writeDsn(dsnPath_, defaultDir_, dbq_)) {
        msg::msgBox(QStringLiteral("No se pudo grabar el origen de datos en ") + dsnPath_,
                    msg::Critical);
        return;
    }
    accept();
}

void frmOrigendeDatos::cmdServidor_Click() {
    const QString address = TxtServidor->text().trimmed();
    const QString error = app::saveTeamDatabase(address, teamSettings_);
    if (!error.isEmpty()) {
        msg::msgBox(error, msg::Critical);
        TxtServidor->setFocus();
        return;
    }
    msg::msgBox(address.isEmpty()
                    ? QStringLiteral("Al iniciar, el programa volverá a usar su archivo de base "
                                     "de datos.")
                    : QStringLiteral("Al iniciar, el programa abrirá la base de datos del equipo "
                                     "%1 (salvo que --database o DOSIVANT_DB indiquen otra).")
                          .arg(address),
                msg::Plain);
}

} // namespace import
