#include "workspace/field_checks.h"

#include "app/messages.h"

namespace workspace {

bool isField(const QString& field, const char* name) {
    return field.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
}

bool refuse(const QString& text) {
    msg::msgBox(text, msg::Critical);
    return false;
}

} // namespace workspace
