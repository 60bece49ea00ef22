#include "workspace/row_lookup.h"

#include "app/messages.h"
#include "store/record_set.h"

namespace workspace {

bool findRow(store::RecordSet& rs, const char* idField, int id) {
    if (rs.count() == 0)
        return false;
    rs.moveFirst();
    return rs.find(QString::fromLatin1(idField) + '=' + QString::number(id));
}

bool isField(const QString& field, const char* name) {
    return field.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
}

bool refuse(const QString& text) {
    msg::msgBox(text, msg::Critical);
    return false;
}

} // namespace workspace
