// Whole-table maintenance of the five data tables in the current directory: rebuilding index
// groups from the records and packing away records marked deleted.
//
// Each routine runs while no table is open and leaves none open. The engine settings it changes
// (automatic group opening, safety, access mode) are put back as it found them, also when a
// failure ends the program through the exit handler. A table or index that cannot be rebuilt
// ends the program through error4exitTest; a table that cannot be opened for packing is skipped.
#pragma once

#include <QString>
#include <string>

#include "data/TableLayouts.h"

namespace kvl {

// Full form (missingOnly false): every group rebuilt, with progress "Rebuilding Indexes".
// Missing-only form (start-up): first finishes a replacement of data files (a restore, an
// upgrade) that a writer left after its commit point or discards one it left before; then silently
// rebuilds the groups of the tables whose group or tag
// files are absent or unsound: damaged, truncated, left half-changed by a writer that died,
// written by another program with another layout, or disagreeing with the records. A table that
// itself cannot be read is left for its open routine to report.
void RebuildIndexes(bool missingOnly);

// Rebuilds one table's index group from its records (group file and every tag file).
void RebuildTableIndex(const TableLayout& table);

// Builds the table's index group beside the table file at tablePath (a table staged to replace
// one of the data set's), with an engine of its own; the program's handle is not touched. False
// with the reason in *why.
bool BuildIndexGroupAt(const std::string& tablePath, const TableLayout& table, QString* why);

// True when any of the table's group or tag files is missing from the current directory.
bool IndexFilesMissing(const TableLayout& table);

// True when the table in the current directory can be read but the integrity check finds a fault
// in its group or tag files.
bool IndexGroupUnsound(const TableLayout& table);

// Packs INC5, FOLDER, EXP5, ACC and ACCI, with progress "Packing Data Files".
void PackAll();

// Opens the table with its group and packs it. False when it could not be opened or packed; the
// engine's pending error is then taken, so it cannot surface in a later unrelated call.
bool PackTable(const QString& name);

}  // namespace kvl
