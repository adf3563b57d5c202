// Helpers shared by the engine tests: running a whole job and reading the tree back.
#pragma once

#include "engine/CompareEngine.h"
#include "platform/Text.h"
#include "tests/support/TestSupport.h"

#include <map>
#include <string>

namespace engine_test {

inline std::string narrow(olstring_view text) { return platform::utf16ToUtf8(text); }
inline olstring wide(const std::string& text) { return platform::utf8ToUtf16(text); }

// Writes the same relative file below the folders "a" and "b" of temp.
inline void writeBoth(const testing_support::TempFolder& temp, const std::string& relative, const std::string& first,
                      const std::string& second) {
  testing_support::writeFileBytes(temp.path("a/" + relative), first);
  testing_support::writeFileBytes(temp.path("b/" + relative), second);
}

// Runs the job on the worker and waits for it; returns the exit code (0 succeeded).
inline uint32_t runJob(CompareEngine& engine, const std::string& path0, const std::string& path1) {
  engine.options.path0 = wide(path0);
  engine.options.path1 = wide(path1);
  if (!engine.worker.startWorker(engine)) return 99;
  engine.worker.waitFinished();
  return engine.worker.exitCode();
}

// The tree as relative path -> flags, paths made of the side-0 names where present.
inline void flattenInto(const CompareItem& item, const std::string& prefix, std::map<std::string, uint32_t>& out) {
  for (const auto& [key, child] : item.children) {
    const SideInfo& named = child.side[0].present() ? child.side[0] : child.side[1];
    const std::string path = prefix.empty() ? narrow(named.name) : prefix + "/" + narrow(named.name);
    out[path] = child.flags;
    flattenInto(child, path, out);
  }
}

inline std::map<std::string, uint32_t> flatten(const CompareItem& root) {
  std::map<std::string, uint32_t> out;
  flattenInto(root, "", out);
  return out;
}

// The item's path below the root, made of the side-0 names where present.
inline std::string pathOf(const CompareItem& item) {
  std::string path;
  for (const CompareItem* current = &item; current->parent != nullptr; current = current->parent) {
    const SideInfo& named = current->side[0].present() ? current->side[0] : current->side[1];
    path = path.empty() ? narrow(named.name) : narrow(named.name) + "/" + path;
  }
  return path;
}

// The child of item with this side-0 (or else side-1) name, or null.
inline const CompareItem* child(const CompareItem& item, const std::string& name) {
  for (const auto& [key, candidate] : item.children) {
    const SideInfo& named = candidate.side[0].present() ? candidate.side[0] : candidate.side[1];
    if (narrow(named.name) == name) return &candidate;
  }
  return nullptr;
}

}  // namespace engine_test
