#pragma once

#include "app/busy_pointer.h"
#include "app/messages.h"
#include "catalog/price_list_file.h"
#include "store/database.h"

#include <QString>

class QHBoxLayout;
class QLineEdit;
class QPushButton;
class QWidget;

// What the windows that read a list from a file (prices, compositions) share: the row with the
// file's name, typed or chosen, and reading the list with its failures shown.
namespace catalog {

// Label1 with the caption, txtArchivo, cmdExaminar ("&Examinar...") and cmdLeer ("&Leer"), laid
// out in a row; the window connects the buttons.
struct ListFileRow {
    QLineEdit* txtArchivo = nullptr;
    QPushButton* cmdExaminar = nullptr;
    QPushButton* cmdLeer = nullptr;
    QHBoxLayout* layout = nullptr;
};
ListFileRow listFileRow(QWidget* parent, const QString& caption, const QString& placeholder);

// Examinar: asks for the file through widgets::chooseOpenFile and puts its name in the row; false
// when none was chosen.
bool chooseListFile(QWidget* parent, QLineEdit* txtArchivo, const QString& title,
                    const QString& filter);
// Leer: false, after saying so, when no file is named.
bool listFileNamed(QLineEdit* txtArchivo, const QString& missing);

// Reads a list under the busy pointer; a file that is not such a list or a failed query is shown
// as a critical message, and false returned.
template <class Read> bool readShowingFailure(Read&& read) {
    try {
        app::BusyPointer busy;
        read();
    } catch (const ListFileError& e) {
        msg::msgBox(e.message(), msg::Critical);
        return false;
    } catch (const store::StoreError& e) {
        msg::msgBox(e.message(), msg::Critical);
        return false;
    }
    return true;
}

} // namespace catalog
