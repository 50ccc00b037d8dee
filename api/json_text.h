#pragma once

// The little JSON that partial sums travel in: a strict reader of one value into a tree, and
// the quoting of a string. The library needs no JSON library for so little, so that it builds
// with GMP alone.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace unionbound {

struct JsonValue {
  enum class Kind { kNull, kBool, kNumber, kString, kArray, kObject };
  Kind kind = Kind::kNull;
  bool boolean = false;
  std::string text;               // a number as written, or a string's content (UTF-8)
  std::vector<JsonValue> items;   // an array's, or an object's values
  std::vector<std::string> keys;  // an object's, one for each of its values

  // The member of an object named `key`; null when there is none.
  const JsonValue* Find(std::string_view key) const;
};

// Nesting deeper than this is refused, so that no text can exhaust the stack.
inline constexpr int kDeepestJson = 32;

// The one value of `text` (white space around it allowed), or none with `problem` saying what is
// wrong and where.
std::optional<JsonValue> ParseJson(std::string_view text, std::string& problem);

// `text` as a JSON string: quoted, with quotes, backslashes and control bytes escaped.
std::string JsonString(std::string_view text);

}  // namespace unionbound
