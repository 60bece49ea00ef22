#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <vector>

class QWidget;
class QImage;

namespace store {
class Database;
}

namespace tour {

// What a shot is taken on: the sample database, opened for the tour alone.
struct Context {
    store::Database& db;
};

// Builds the view in the state worth a picture. The tour shows it, lets it lay itself out and
// grabs it; `picture`, when set, draws the picture itself (for a window with a menu open, or a
// page that is not a widget).
struct Shot {
    QString name; // the file name without ".png": the view's objectName, or that plus a state
    std::function<std::unique_ptr<QWidget>(Context&)> view;
    std::function<QImage(Context&)> picture;
};

// Each subsystem's shots file registers its shots with a static Registration, so adding views
// to the tour never touches another subsystem's file.
struct Registration {
    explicit Registration(std::function<void(std::vector<Shot>&)> add);
};

} // namespace tour
