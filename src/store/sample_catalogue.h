#pragma once

namespace store {

class Database;

// Fills an empty database with the sample catalogue compiled into the program: ingredients,
// nutrients, every composition pair and the sample formulas, with keys allocated as the program
// allocates them. Runs inside the caller's transaction.
void loadSampleCatalogue(Database& db);

} // namespace store
