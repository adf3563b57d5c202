// The ignore rules of version control (".gitignore" files): the patterns of one file, and
// the decision for a path from the files in force in its folder. Patterns and paths are
// bytes (names as UTF-8) and are matched as version control matches them: byte by byte,
// letter case significant, "/" between the names of a path.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// What the patterns of one file say about a path.
enum class IgnoreVerdict : uint8_t {
  none,      // no pattern matches
  ignored,   // the last pattern that matches leaves the path out
  included,  // the last pattern that matches is a negation ("!") and takes the path back
};

class IgnoreRules {
public:
  // The patterns of an ignore file's text, taken as version control takes them: a UTF-8
  // byte order mark is skipped; lines end at LF (a CR before it is dropped); blank lines and
  // lines starting with "#" are comments; trailing spaces go unless escaped with "\"; a
  // leading "!" negates; a trailing "/" matches folders only; a "/" at the start or in the
  // middle anchors the pattern to the file's folder, otherwise it matches a name at any
  // depth. A malformed pattern (an unclosed "[") is kept and matches nothing, as there.
  static IgnoreRules parse(std::string_view text);

  // The verdict of the last pattern that matches. path is relative to the folder of the
  // file the rules come from, its names joined by "/" (not empty, no "/" at either end);
  // nameStart is where its last name begins.
  IgnoreVerdict decide(std::string_view path, size_t nameStart, bool isFolder) const;

  bool empty() const { return m_patterns.empty(); }
  size_t size() const { return m_patterns.size(); }

private:
  enum class Form : uint8_t {
    literal,   // no wildcard: the name (or path) equals the text
    endsWith,  // "*" and then no wildcard: the name ends with the text after the "*"
    wildcard,  // anything else: matched piece by piece
  };
  // One step of a wildcard match.
  struct Piece {
    enum class Kind : uint8_t {
      bytes,    // these bytes (escapes resolved)
      anyByte,  // "?"
      byteSet,  // "[...]"
      star,     // a run of "*"
      never,    // a set that is never closed or names an unknown class, or a final lone "\"
    };
    Kind kind = Kind::bytes;
    // star: it may span "/" (a "**" that is a whole name, or any star when matching a name).
    bool crossesSlash = false;
    // star: "**/", which may also stand for no folder at all; the "/" is the next piece.
    bool mayBeNoFolder = false;
    // bytes: offset in m_literals; byteSet: index in m_sets; star: which star of its pattern.
    uint32_t index = 0;
    uint32_t length = 0;
  };
  struct Pattern {
    // Without "!", the "/" that anchors it and the trailing "/".
    std::string text;
    // Bytes before the first wildcard character ("*", "?", "[" or "\").
    uint32_t literalLength = 0;
    Form form = Form::wildcard;
    bool negated = false;
    bool foldersOnly = false;
    // The pattern holds a "/": it is matched against the path below the file's folder, not
    // against the last name.
    bool anchored = false;
    // The byte every path it matches ends with, or -1 when that is not fixed.
    int16_t lastByte = -1;
    // wildcard: the pieces of what follows the literal start (anchored) or of the whole text,
    // and what any text they match must have, tested first because it is cheap.
    uint32_t firstPiece = 0;
    uint32_t pieceCount = 0;
    uint32_t stars = 0;
    uint32_t shortest = 0;
    std::string ending;
    std::string inside;
  };
  class PieceMatch;
  void compile(Pattern& pattern, std::string_view wildcards);
  void sortByLastByte();
  bool matches(const Pattern& pattern, std::string_view path, std::string_view name) const;
  bool matchesPieces(const Pattern& pattern, std::string_view text) const;

  std::vector<Pattern> m_patterns;
  // The patterns by the last byte of what they can match, so that a path is tried only
  // against those that can match it: for byte b, m_byLastByte[m_lastByteStart[b]] up to
  // m_byLastByte[m_lastByteStart[b + 1]]; the patterns whose last byte is not fixed are
  // m_anyLastByte. Both in file order.
  std::array<uint32_t, 257> m_lastByteStart{};
  std::vector<uint32_t> m_byLastByte;
  std::vector<uint32_t> m_anyLastByte;
  std::vector<Piece> m_pieces;
  std::string m_literals;
  std::vector<std::bitset<256>> m_sets;
};

// The rules in force in one folder: the folder's own ignore file over the layers of the
// folders above it. A layer is shared by every folder below it, so a walk in any order
// keeps one per file read.
struct IgnoreLayer {
  // Never null. Files of equal text share their rules.
  std::shared_ptr<const IgnoreRules> rules;
  // Length in bytes of the path, below the root, of the folder whose file the rules come
  // from (0 for the root).
  size_t folderLength = 0;
  std::shared_ptr<const IgnoreLayer> above;
};

// Whether a path below the root (bytes, names joined by "/") is left out by the layers in
// force in its folder: the innermost layer that has a verdict decides, and a negation there
// takes the path back whatever the layers above say. A folder's exclusion is not looked up
// here: a caller that walks a tree stops at an excluded folder, as nothing below it can be
// taken back.
bool isIgnoredBy(const IgnoreLayer* innermost, std::string_view path, bool isFolder);
