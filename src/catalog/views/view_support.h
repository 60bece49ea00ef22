#pragma once

#include <QString>

class QLineEdit;
class QWidget;

namespace store {
class StoreError;
}

// Small pieces the catalogue views share.
namespace catalog::views {

// The common error display: records the failure as the most recent error and opens the error
// view on `text`.
void showErrorView(const QString& text, const store::StoreError& error);
// The same for an error reported by a data-bound editor (3021: the record is gone).
void showDataError(int number, const QString& description);

// A numeric field checked when the focus leaves it: a filled text that is not a number shows
// `message` (critical) and brings the focus back.
void numericOnLeave(QLineEdit* field, const QString& message);

// Focuses the control a refusal names, when the view has one by that name.
void focusControl(QWidget* view, const QString& objectName);

// Lays `view` 250 twips right of and below `anchor`, as pick lists open over their caller.
void placeBelowRight(QWidget* view, const QWidget* anchor);

} // namespace catalog::views
