// The survey of a product's five pieces on disk: what a removal of it will delete.
#pragma once

#include "catalog/ProductCatalog.h"
#include "removal/RemovalJob.h"

// Clears the job's slots and fills them from entry: each piece that exists, is not a protected
// folder and names one local path is found, with that one normalised path as its target (the
// application folder lower-cased, the cache folder spelled as on disk) and, for the application
// folder, its file count, and what the file system says it is (m_identity). Also fills the
// product's four registry keys. states, when given, receives the state of each slot. When the job
// lists profiles, each profile's cache folder is surveyed from its own hive instead of the current
// user's.
void SurveyRemoval(const CProductEntry& entry, RemovalJob& job, PieceState* states = nullptr);

// Whether any slot of the job was found.
bool AnythingFound(const RemovalJob& job);
