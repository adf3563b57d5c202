#include "app/CommandLine.h"

#include <map>

std::vector<olstring> tokenizeCommandLine(olstring_view text) {
  const auto blank = [](char16_t c) { return c == u' ' || c == u'\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  std::vector<olstring> tokens;
  olstring token;
  bool inQuotes = false;
  size_t i = 0;
  while (i < text.size()) {
    const char16_t c = text[i];
    if (c == u'\\') {
      size_t run = 0;
      while (i + run < text.size() && text[i + run] == u'\\') ++run;
      i += run;
      if (i < text.size() && text[i] == u'"') {
        token.append(run / 2, u'\\');
        if (run % 2 == 1) {
          token += u'"';
          ++i;
        }
      } else {
        token.append(run, u'\\');
      }
      continue;
    }
    if (c == u'"') {
      inQuotes = !inQuotes;
    } else if (c == u' ' && !inQuotes) {
      if (!token.empty()) tokens.push_back(std::move(token));
      token.clear();
    } else {
      token += c;
    }
    ++i;
  }
  if (!token.empty()) tokens.push_back(std::move(token));
  return tokens;
}

std::vector<olstring> collapseDuplicateTokens(const std::vector<olstring>& tokens, TokenMatch match) {
  // Indexed, so that an absurdly long command line stays quick.
  std::map<olstring, size_t> exact;
  olstrmap<size_t> ignoringCase;
  std::vector<olstring> result;
  for (const auto& token : tokens) {
    size_t position;
    bool added;
    if (match == TokenMatch::exact) {
      const auto inserted = exact.try_emplace(token, result.size());
      position = inserted.first->second;
      added = inserted.second;
    } else {
      const auto inserted = ignoringCase.try_emplace(token, result.size());
      position = inserted.first->second;
      added = inserted.second;
    }
    if (added) {
      result.push_back(token);
    } else {
      result[position] = token;
    }
  }
  return result;
}
