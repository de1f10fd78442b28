// The survey of a product's five pieces on disk: what a removal of it will delete.
#pragma once

#include "catalog/ProductCatalog.h"
#include "removal/RemovalJob.h"

// What the survey made of a piece.
enum class PieceState
{
    Absent,    // nothing there, or no path that names one local thing
    Found,     // to be deleted
    Protected, // there, but a folder that must never be deleted, or one above it
};

// Clears the job's slots and fills them from entry: each piece that exists, is not a protected
// folder and names one local path is found, with that one normalised path as its target (the
// application folder lower-cased, the cache folder spelled as on disk) and, for the application
// folder, its file count. Also fills the product's four registry keys.
// states, when given, receives the state of each slot.
void SurveyRemoval(const CProductEntry& entry, RemovalJob& job, PieceState* states = nullptr);

// Whether any slot of the job was found.
bool AnythingFound(const RemovalJob& job);

// Whether the product runs: a top-level window has its display name as title.
bool IsProductRunning(const CProductEntry& entry);
