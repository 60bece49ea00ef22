#pragma once

#include "store/record_set.h"

namespace store {
class Database;
}

namespace printing {

struct ReportDefinition;

// The whole list a catalogue report prints when no search narrows it, in the list's opening
// order: ingredients and nutrients by name, formulas by last modification, newest first.
store::RecordSet catalogueListRows(store::Database& db, const ReportDefinition& report);

} // namespace printing
