// Tokens of a resource script: identifiers, numbers, strings and punctuation, with
// C and C++ comments skipped and the line of every token kept for error messages.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace klop::rc {

enum class TTokenKind { Identifier, Number, String, Punct, End };

struct TToken {
  TTokenKind Kind = TTokenKind::End;
  std::string Text;         // identifier, punctuation, or the string's decoded bytes
  std::int64_t Number = 0;  // for numbers
  int Line = 0;
};

// Splits `text` (the contents of `file`) into tokens; the last one is End.
// Throws TRcError on an unterminated string or comment, a bad escape, a malformed
// number or a character that belongs to no token.
std::vector<TToken> Tokenize(std::string_view text, const std::string& file);

// Keyword comparison: script keywords ignore letter case.
bool SameKeyword(std::string_view a, std::string_view b);

}  // namespace klop::rc
