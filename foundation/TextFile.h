// Text and whole files: code-page conversion, byte-order marks, and the file object that
// also serves the content comparison's block reads.
#pragma once

#include "foundation/olstring.h"
#include "platform/File.h"

#include <cstdint>
#include <string>

// Code pages the program names. The system ANSI code page is UTF-8 here, with the same
// lossless rule for bytes that are not valid UTF-8.
constexpr unsigned kCodePageAnsi = 0;
constexpr unsigned kCodePageUtf8 = 65001;

enum class TextEncoding : unsigned { utf16le = 0, ansi = 1, utf8 = 2, utf16be = 3 };

// One read/write/seek interface over a file handle or a memory block, 64-bit size and
// position. Not copyable; it lives on the stack of one operation.
class olfile {
public:
  olfile() = default;
  ~olfile() { reset(); }
  olfile(const olfile&) = delete;
  olfile& operator=(const olfile&) = delete;

  // Opens a file for reading and owns its handle. An empty path resets and fails.
  bool openForReading(olstring_view path);
  // Takes the file (which it then owns) and reads its size; position becomes 0. False when
  // it is not open or its size cannot be read (it is then closed).
  bool attach(platform::File file);
  // Gives the file up without closing it.
  platform::File detach();
  // Memory mode over a block.
  void attachMemory(olbuffer buffer);

  // Bytes read; 0 at the end, on a read error, or for a null destination.
  uint32_t read(void* destination, uint32_t n);
  // True when all n bytes were written.
  bool write(const void* data, uint32_t n);
  bool atEnd() const { return m_position >= m_size; }
  bool setPosition(uint64_t offset);
  // Releases the buffer and closes a held handle (a write handle without committing).
  void reset();

  uint64_t size() const { return m_size; }
  uint64_t position() const { return m_position; }
  platform::FileHandle handle() const { return m_file.handle(); }
  const olbuffer& buffer() const { return m_buffer; }

private:
  olbuffer m_buffer;
  platform::File m_file;
  uint64_t m_size = 0;
  uint64_t m_position = 0;
};

// Multi-byte text to UTF-16; byteCount 0 means up to the first NUL. Null or empty gives "".
olstring toWide(const char* text, size_t byteCount, unsigned codePage = kCodePageUtf8);
// UTF-16 to the code page's bytes.
std::string toMultiByte(olstring_view text, unsigned codePage = kCodePageUtf8);

// Only A to Z change (to a to z).
olstring lowerCaseCopy(olstring_view text);
// Swaps the two bytes of every code unit.
olstring byteSwappedCopy(olstring_view text);
// Decimal text of a number ("-1", "0", "255", "12345678901").
olstring numberToText(int64_t value);
// "0x"/"0X" prefix (with at least two characters) reads base 16, else base 10; stops at the
// first character that is not a digit; empty gives 0.
uint32_t textToNumber(olstring_view text);
// Reads hex digit pairs (ignoring "0x" and non-digits) into output; at most 92 bytes.
// Returns the byte count, 0 when there would be more than 92.
uint32_t hexToBytes(olstring_view text, uint8_t* output);

// Decodes a file's bytes by their byte-order mark (UTF-16LE, UTF-16BE, UTF-8); without
// one, zero bytes at odd (or even) offsets show UTF-16LE (or BE), else the bytes are ANSI.
// The text ends at the first zero code unit; complete (when given) is false when anything
// but zero bytes follows there, so a caller can tell a damaged or misread file.
olstring decodeText(const uint8_t* bytes, size_t size, bool* complete = nullptr);

// Larger files are no text files of this program (a path given by mistake, a device's
// huge pseudo-file) and read as empty and incomplete.
constexpr uint64_t kMaximumTextFileSize = 64u << 20;

// The whole file as text; empty when it cannot be opened or fully read. complete (when
// given) is true only when the file was read whole and decoded to its end. The handle is
// borrowed and stays open.
olstring readTextFile(platform::FileHandle handle, bool* complete = nullptr);
olstring readTextFile(olstring_view path, bool* complete = nullptr);

// The bytes writeTextFile writes: the byte-order mark (none for ANSI) and the encoded text;
// empty for an empty text. Values above 3 are UTF-16LE.
std::string encodeText(olstring_view text, TextEncoding encoding);

// Writes text in an encoding (values above 3 are UTF-16LE) to a borrowed open handle.
// An empty text writes nothing, not even a byte-order mark, and succeeds.
bool writeTextFile(olstring_view text, platform::FileHandle handle, TextEncoding encoding);
