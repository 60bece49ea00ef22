// The sample week's production plan, formulated: its short grains used up and what one more
// kilogram of each would save.
#include "tour.h"

#include "plans/views/frmPlanes.h"

#include <QPushButton>

namespace {

std::unique_ptr<QWidget> planes(tour::Context& c) {
    auto view = std::make_unique<plans::frmPlanes>(c.db);
    view->findChild<QPushButton*>(QStringLiteral("cmdFormular"))->click();
    return view;
}

const tour::Registration shots([](std::vector<tour::Shot>& all) {
    all.push_back({QStringLiteral("frmPlanes"), planes, nullptr});
});

} // namespace
