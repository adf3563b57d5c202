// Writes a listing (JSON Lines: a header, a line per item with the SHA-256 of every file, a
// summary) as the walk goes, through the same output rules as the item report. The format
// is described for its readers in docs/listing-format.md.
#pragma once

#include "app/LineOutput.h"
#include "engine/ListingWalk.h"
#include "foundation/olstring.h"

#include <chrono>
#include <cstdint>
#include <mutex>
#include <vector>

struct CompareEngine;

class ListingWriter final : public ListingSink {
public:
  explicit ListingWriter(const CompareEngine& engine);
  ListingWriter(const ListingWriter&) = delete;
  ListingWriter& operator=(const ListingWriter&) = delete;

  // Opens the destination before the walk starts ("-" for standard output). False with the
  // last error set when it cannot be created.
  [[nodiscard]] bool open(olstring_view destination);
  // Device and inode of the file being written, for the walk to leave out.
  bool identity(uint64_t* device, uint64_t* inode) const { return m_output.identity(device, inode); }

  // On the worker, in the walk's order (see engine/ListingWalk.h).
  void started(const ListingStart& start) override;
  void listed(const ListingEntry& entry) override;
  void folderUnreadable(olstring_view path, uint32_t error) override;

  // Once the worker has ended. A walk that ran to its end gets its summary and its file put
  // in place; one that failed or was cancelled leaves no file (the old one stays), while
  // standard output still gets a summary that says why. False with the last error set when
  // the listing could not be written in full.
  [[nodiscard]] bool finish(bool walked, const ListingTotals& totals);

  // A write has failed: nothing more will be written, the walk may as well stop. Safe from
  // any thread.
  bool writeFailed() const { return m_output.writeFailed(); }
  uint32_t writeError() const { return m_output.writeError(); }

  // What could not be read, in the walk's order (the first kMaxNamed of them), for the
  // console to name once the walk has ended.
  struct Unreadable {
    olstring path;
    uint32_t error = 0;
  };
  static constexpr size_t kMaxNamed = 1000;
  const std::vector<Unreadable>& unreadable() const { return m_unreadable; }

private:
  void note(olstring_view path, uint32_t error);
  void writeSummary(bool walked, const ListingTotals& totals);

  const CompareEngine& m_engine;
  LineOutput m_output;
  bool m_headerWritten = false;
  std::vector<Unreadable> m_unreadable;
  std::chrono::steady_clock::time_point m_started;
};
