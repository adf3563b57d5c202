// Content compared by SHA-256, where a side of the compare comes from a listing: the hash
// of a listed file against the other listing's, or against the hash of the file on the
// disk, read in full as the compare goes. Always as bytes: a listing holds no text.
#pragma once

#include "engine/ContentCompare.h"
#include "engine/Sha256.h"

#include <functional>

struct CompareEngine;

// Whether the compare's content is compared by hash: a side comes from a listing.
bool comparesByHash(const CompareResult& result);

// As prepareContentCompare, for a compare by hash; sets mode to hashed for a pair of files.
// Nothing is opened: sizes alone tell a difference, and sampling does not apply (a hash
// covers the whole file).
PrepareResult prepareHashedCompare(const CompareItem& item, ContentMode& mode);

// True when the pair's hashes are equal; false when they differ, a file cannot be read in
// full (or changed size since it was listed), or the job was cancelled. A file on the disk
// is read into the buffers (by name in folders when given). What decided it goes into the
// explanation when one is given.
bool compareByHash(CompareEngine& engine, ContentBuffers& buffers, const CompareItem& item, const OpenFolders* folders,
                   ContentExplanation* explanation = nullptr);

// Reads the open file from its start to its size at open through the buffer and hashes it.
// keepGoing is asked between pieces; false when it said stop, a read failed or came up
// short (the file shrank), or the library failed.
bool hashFile(ContentReader& reader, uint8_t* buffer, size_t bufferSize, const std::function<bool()>& keepGoing,
              Sha256Digest& digest);
