#pragma once

#include "app/team_database.h"
#include "app/views/open_file.h"
#include "import/file_dsn.h"

#include <QDialog>
#include <functional>

class QLineEdit;

namespace import {

// Chooses the database the import reads from and records it in the File DSN. Below, the team's
// server database the program opens at start-up (app/team_database.h).
class frmOrigendeDatos : public QDialog {
    Q_OBJECT
public:
    // The file it opens is asked through widgets::chooseOpenFile; tests install their own.
    using FileChooser = widgets::OpenFileChooser;
    static FileChooser setFileChooser(FileChooser chooser) {
        return widgets::setOpenFileChooser(std::move(chooser));
    }

    explicit frmOrigendeDatos(QWidget* parent = nullptr, QString dsnPath = defaultDsnPath(),
                              QString teamSettings = app::teamSettingsPath());

private:
    void chooseSource();
    void saveSource();
    void cmdServidor_Click();
    void showValues(const QString& dbq, const QString& defaultDir);

    QString dsnPath_;
    // The chosen values whole: the boxes show them cut to 100 characters, and a save must not
    // write the cut text back.
    QString dbq_;
    QString defaultDir_;
    QLineEdit* TxtDBQ = nullptr;
    QLineEdit* Txtdefdir = nullptr;
    QString teamSettings_;
    QLineEdit* TxtServidor = nullptr;
};

} // namespace import
