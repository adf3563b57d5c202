#include "app/ListingWriter.h"

#include "app/Version.h"
#include "engine/CompareEngine.h"
#include "engine/ListingFormat.h"
#include "foundation/JsonLines.h"
#include "platform/Error.h"
#include "platform/FolderListing.h"
#include "platform/Path.h"

#include <cstdio>

namespace {

void appendKind(std::string& out, ListedKind kind) {
  out += ",\"kind\":\"";
  switch (kind) {
    case ListedKind::folder: out += listing_format::kFolder; break;
    case ListedKind::file: out += listing_format::kFile; break;
    case ListedKind::special: out += listing_format::kSpecial; break;
  }
  out += '"';
}

void appendMode(std::string& out, uint32_t mode) {
  char text[16];
  std::snprintf(text, sizeof text, ",\"mode\":\"%04o\"", mode & 07777u);
  out += text;
}

void appendType(std::string& out, std::string_view type) {
  out += "{\"type\":\"";
  out += type;
  out += '"';
}

}  // namespace

ListingWriter::ListingWriter(const CompareEngine& engine) : m_engine(engine) {}

bool ListingWriter::open(olstring_view destination) {
  m_started = std::chrono::steady_clock::now();
  return m_output.open(destination);
}

void ListingWriter::started(const ListingStart& start) {
  m_headerWritten = true;
  std::string& out = m_output.buffer();
  appendType(out, listing_format::kHeaderType);
  out += ",\"format\":";
  appendNumber(out, listing_format::kVersion);
  out += ",\"program\":";
  appendJsonString(out, kMirraneNameLine);
  appendPathField(out, "path", start.path);
  appendPathField(out, "root", start.root);
  out += ",\"host\":";
  appendJsonString(out, start.host);
  out += ",\"started\":";
  appendIsoTime(out, start.started, start.startedNanoseconds);
  out += ",\"options\":{\"excludes\":";
  appendJsonString(out, start.excludes);
  appendBool(out, "adjust_path", start.adjustPath);
  out += "},\"links\":\"";
  out += start.linksWithin ? listing_format::kLinksWithin : listing_format::kLinksFollowed;
  out += "\",\"hash\":\"sha256\"}\n";
  m_output.flush(m_output.toStandardOutput());
}

void ListingWriter::listed(const ListingEntry& entry) {
  if (m_output.writeFailed()) return;
  std::string& out = m_output.buffer();
  appendType(out, listing_format::kItemType);
  appendPathField(out, "path", entry.path);
  appendKind(out, entry.kind);
  if (entry.kind == ListedKind::file) appendCount(out, "size", static_cast<int64_t>(entry.size));
  out += ",\"mtime\":";
  appendIsoTime(out, entry.modified, entry.nanoseconds);
  appendMode(out, entry.mode);
  if (entry.isLink) appendPathField(out, "link", entry.linkText);
  if (entry.dangling) appendBool(out, "dangling", true);
  if (entry.leadsOut) appendBool(out, "leads_out", true);
  if (entry.hasDigest) {
    out += ",\"sha256\":\"";
    out += entry.digest.hex();
    out += '"';
  }
  if (entry.readError != 0) {
    appendCount(out, "error_code", entry.readError);
    out += ",\"error_text\":";
    appendJsonString(out, errorText(entry.readError));
    note(entry.path, entry.readError);
  }
  out += "}\n";
  // Handed on in large pieces: a listing is of use only once it is whole.
  m_output.flush(false);
}

void ListingWriter::folderUnreadable(olstring_view path, uint32_t error) {
  std::string& out = m_output.buffer();
  appendType(out, listing_format::kErrorType);
  appendPathField(out, "path", path);
  appendCount(out, "error_code", error);
  out += ",\"error_text\":";
  appendJsonString(out, errorText(error));
  out += "}\n";
  note(path, error);
  m_output.flush(false);
}

void ListingWriter::note(olstring_view path, uint32_t error) {
  if (m_unreadable.size() < kMaxNamed) m_unreadable.push_back(Unreadable{olstring(path), error});
}

void ListingWriter::writeSummary(bool walked, const ListingTotals& totals) {
  olstring errorText;
  uint32_t code = 0;
  olstring path;
  if (!walked) {
    code = m_engine.job.getError(errorText, {});
    path = m_engine.job.errorPath();
  }
  std::string& out = m_output.buffer();
  appendType(out, listing_format::kSummaryType);
  appendBool(out, "succeeded", walked && totals.unreadable == 0);
  appendCount(out, "items", totals.items);
  appendCount(out, "files", totals.files);
  appendCount(out, "folders", totals.folders);
  appendCount(out, "bytes", static_cast<int64_t>(totals.bytes));
  appendCount(out, "unreadable", totals.unreadable);
  appendSummaryEnd(out, code, errorText, path, m_started);
}

bool ListingWriter::finish(bool walked, const ListingTotals& totals) {
  if (!m_output.isOpen()) {
    platform::setLastError(platform::kErrorInvalidParameter);
    return false;
  }
  if (!walked && !m_output.toStandardOutput()) {
    m_output.abandon();
    return true;
  }
  // A reader of standard output must see that the listing is not whole, also when the walk
  // could not even begin.
  if (!m_headerWritten) {
    ListingStart start;
    start.path = start.root = m_engine.options.path0;
    start.host = platform::hostName();
    start.excludes = m_engine.options.excludes;
    start.adjustPath = m_engine.options.adjustPath;
    const auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
    start.started = platform::fileTimeFromPosix(std::chrono::duration_cast<std::chrono::seconds>(sinceEpoch).count(), 0);
    started(start);
  }
  writeSummary(walked, totals);
  return m_output.commit();
}
