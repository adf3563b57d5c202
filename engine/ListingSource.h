// A listing as a source of entries for the folder scan: the side it stands for is read from
// the listing instead of the disk, folder by folder through the same pairing as a listed
// folder, with the files' hashes kept beside the tree.
#pragma once

#include "engine/FolderScan.h"
#include "engine/ListingReader.h"
#include "foundation/olstring.h"

struct CompareEngine;

// Reads the listing at the path into a side of the compare tree, whose root the scan has
// set up. The compare's exclusions apply to its names. False when the listing cannot be
// used or the job was cancelled; the error is recorded in the job (the listing's line and
// what is wrong there), and nothing of the listing may be used then.
bool loadListingSide(CompareEngine& engine, int side, olstring_view listingPath, const ExcludeSet& excludes);

// The text of a problem with a listing, with its line (for the job's error record).
olstring listingProblemText(const ListingProblem& problem);
