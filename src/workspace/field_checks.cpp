#include "workspace/field_checks.h"

namespace workspace {

bool isField(const QString& field, const char* name) {
    return field.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
}

Notice refusal(const QString& text) {
    return {text, msg::Critical};
}

EditResult& refuse(EditResult& r, const QString& text) {
    r.notices.push_back(refusal(text));
    return r;
}

} // namespace workspace
