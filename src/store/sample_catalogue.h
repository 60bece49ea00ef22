#pragma once

namespace store {

class Database;

// Fills an empty database with the sample catalogue compiled into the program: ingredients,
// nutrients, every composition pair, the groups of ingredients and the sample formulas with
// their ratio and group limits, with keys allocated as the program allocates them. Runs inside the
// caller's transaction.
void loadSampleCatalogue(Database& db);

} // namespace store
