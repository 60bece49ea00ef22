#include "workspace/notice.h"

#include <QStringList>

namespace workspace {

QString joinedNotices(const Notices& notices) {
    QStringList lines;
    for (const Notice& n : notices)
        lines << QString(n.text)
                     .replace(QStringLiteral("\n\n"), QStringLiteral(": "))
                     .replace(u'\n', u' ')
                     .trimmed();
    return lines.join(QStringLiteral(" / "));
}

} // namespace workspace
