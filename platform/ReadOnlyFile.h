// A file opened only to be read from start to end, as content comparison does: one open,
// one status call and positioned reads, so that a pair of small files costs few system
// calls. Regular files only; anything else is refused without blocking.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// A folder held open so that the files in it are opened by name alone, sparing the system a
// walk along the folder's path for each of them. Closed when the object goes away.
class OpenFolder {
public:
  OpenFolder() = default;
  ~OpenFolder();
  OpenFolder(const OpenFolder&) = delete;
  OpenFolder& operator=(const OpenFolder&) = delete;

  // With noFollow, a folder path whose last part is a link is refused. False with the last
  // error set on failure.
  bool open(std::u16string_view path, bool noFollow);
  // With a boundary (the folder of an unpacked archive, untrusted), the links on the path are
  // followed only while they stay inside it (see platform/LinkBoundary.h): a path that leads
  // out is refused with error 5. An empty boundary follows links wherever they lead.
  bool openWithin(std::u16string_view path, std::u16string_view boundary);
  bool isOpen() const { return m_fd >= 0; }

private:
  friend class ReadOnlyFile;
  int m_fd = -1;
};

class ReadOnlyFile {
public:
  ReadOnlyFile() = default;
  ~ReadOnlyFile() { close(); }
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

  enum class Links { follow, asText };

  // Opens a regular file; a folder, FIFO, socket or device is refused with error 5. With
  // Links::asText a symbolic link is never followed: its content is the text it holds (what
  // an untrusted tree may point at is never read). False with the last error set on failure.
  bool open(std::u16string_view path, Links links = Links::follow);
  // With a boundary (the folder of an unpacked archive, untrusted), the links on the path are
  // followed only while they stay inside it: one that leads out is refused with error 5, so
  // what an untrusted tree points at elsewhere is never read. An empty boundary follows links
  // wherever they lead.
  bool openWithin(std::u16string_view path, std::u16string_view boundary);
  // The same for a name in an open folder. A link under Links::asText is refused here (with
  // error 1921); opening it by its path gives its text, or with a boundary what it leads to.
  bool open(const OpenFolder& folder, std::u16string_view name, Links links = Links::follow);
  // The same for a name that a listing of the folder has just shown to be a regular file of
  // listedSize bytes: the listing's facts stand, so no status call follows the open, and the
  // size is the listed one. What took the file's place since (a folder, a FIFO) or a file
  // that shrank fails at its first read; a FIFO never blocks the open.
  bool openListed(const OpenFolder& folder, std::u16string_view name, uint64_t listedSize,
                  Links links = Links::follow);
  void close();
  bool isOpen() const { return m_fd >= 0 || m_isLinkText; }

  // Size taken at open; the position is where the next read starts.
  uint64_t size() const { return m_size; }
  uint64_t position() const { return m_position; }
  bool atEnd() const { return m_position >= m_size; }
  bool setPosition(uint64_t offset);

  // Reads up to n bytes at the position, fewer only at the end of the file; 0 at the end
  // or on a read error (the last error then tells).
  uint32_t read(void* destination, uint32_t n);

  // Tells the system the file will be read once from start to end.
  void adviseSequential();

  // A process-unique number of this opening (0 when closed): tells one opened file from
  // another even when the object or the descriptor is reused.
  uint64_t openSerial() const { return m_openSerial; }

private:
  // open and openListed: a listed size stands without a status call.
  bool openIn(const OpenFolder& folder, std::u16string_view name, Links links, const uint64_t* listedSize);
  // Records an opening of this size; always true.
  bool opened(uint64_t size);

  int m_fd = -1;
  bool m_isLinkText = false;
  std::string m_linkText;
  uint64_t m_openSerial = 0;
  uint64_t m_size = 0;
  uint64_t m_position = 0;
};

}  // namespace platform
