// Reading a listing back, strictly: a line that is not what the program writes stops the
// reading with the line's number and what is wrong with it, so that a damaged listing never
// yields a part of a tree.
#pragma once

#include "engine/ListingFormat.h"
#include "foundation/JsonLines.h"
#include "foundation/olstring.h"
#include "platform/ReadOnlyFile.h"

#include <cstdint>
#include <string>

// What is wrong with a listing. Each fault has a language text in section "listing".
enum class ListingFault {
  none,
  unreadable,     // the file cannot be read: error holds the platform's code
  notJson,        // a line is not a JSON object
  tooLong,        // a line is longer than any the program writes
  unknownType,    // a line of a type the reader does not know (detail: the type)
  unknownFormat,  // the header's format number is not one this version reads (detail)
  badMember,      // a member is missing or its value is not valid (detail: its name)
  badPath,        // a path that is empty or holds an empty name, "." or ".." (detail)
  repeatedPath,   // a path given twice (detail)
  noHash,         // a file without its SHA-256 (detail: the path)
  noFolder,       // an item whose folder the listing does not hold (detail: the path)
  incomplete,     // the listed tree could not be read in full (detail: where and why)
  truncated,      // the file ends before its summary
  afterSummary,   // a line after the summary
  countMismatch,  // the summary counts another number of items (detail: its count)
};

struct ListingProblem {
  ListingFault fault = ListingFault::none;
  // The line it was found on, counted from 1; for a cut-short file the last line read.
  uint64_t line = 0;
  olstring detail;
  uint32_t error = 0;
};

struct ListingHeader {
  int64_t format = 0;
  olstring program;
  // The path as given to the walk, and the folder listed (after unpacking and path
  // adjustment), both absolute on the machine that saved the listing.
  olstring path;
  olstring root;
  olstring host;
  // When the walk began, in 100 ns units since 1601 UTC.
  uint64_t started = 0;
  // The options of the walk.
  olstring excludes;
  bool adjustPath = true;
  // An archive's listing: links were followed only while they stayed inside it.
  bool linksWithin = false;
};

class ListingReader {
public:
  ListingReader();
  ~ListingReader();
  ListingReader(const ListingReader&) = delete;
  ListingReader& operator=(const ListingReader&) = delete;

  // Whether the file at the path is a listing: a regular file whose first line is a JSON
  // object of the listing's type. Reads no more than that line; never blocks.
  static bool isListing(olstring_view path);

  // Opens the listing and reads its header. False with problem() set.
  bool open(olstring_view path);
  const ListingHeader& header() const { return m_header; }

  // The next item. False at the end, after the summary has been read and found to agree
  // (problem() then has no fault), or on a problem.
  bool next(ListingEntry& entry);

  const ListingProblem& problem() const { return m_problem; }
  // Records a problem found with an entry by the caller (a path given twice, an item
  // outside the listed folders); false, for the caller to return.
  bool fail(ListingFault fault, uint64_t line, olstring_view detail);

private:
  // The next line without its line break; false at the end of the file or on a problem.
  bool readLine(std::string_view& line);
  bool failHere(ListingFault fault, olstring_view detail = {});
  bool readHeader();
  bool readItem(ListingEntry& entry);
  bool readSummary();

  platform::ReadOnlyFile m_file;
  std::string m_buffer;
  size_t m_start = 0;
  size_t m_end = 0;
  bool m_atEnd = false;
  uint64_t m_line = 0;
  uint64_t m_items = 0;
  JsonObject m_object;
  ListingHeader m_header;
  ListingProblem m_problem;
};
