// The command line: two paths, an "@" project file, option words with "+" or "-", and the
// words "hide" and "start" that choose how the program runs.
#pragma once

#include "foundation/olstring.h"

#include <vector>

// Splits a command-line text into tokens the way Windows programs do: spaces separate,
// double quotes group (and are removed), 2n backslashes before a quote give n, 2n+1 give n
// and a literal quote, other backslashes stay. Empty quotes give no token.
std::vector<olstring> tokenizeCommandLine(olstring_view text);

enum class TokenMatch { exact, ignoringCase };

// Tokens equal under the rule become one, at the position of the first occurrence with the
// text of the last.
std::vector<olstring> collapseDuplicateTokens(const std::vector<olstring>& tokens, TokenMatch match);
