#pragma once

#include "book/worklist.h"

#include <QDate>
#include <vector>

namespace printing {
class PageCanvas;
}

namespace book {

// The worklist on paper, rows in `order`: a title with the date and the summary, then one line
// per formula (code, product, version, old and new cost, change, outcome) and, under it, what
// entered and left the mix or why there is no mix. Turns pages itself.
void drawWorklist(printing::PageCanvas& canvas, const std::vector<WorklistRow>& rows,
                  const std::vector<int>& order, const QString& summary, const QDate& today);

} // namespace book
