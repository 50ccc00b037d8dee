#include "api/json_text.h"

#include <cstdint>
#include <utility>

namespace unionbound {
namespace {

class JsonReader {
 public:
  explicit JsonReader(std::string_view text) : text_(text) {}

  std::optional<JsonValue> Document(std::string& problem) {
    JsonValue value;
    SkipSpace();
    if (Value(value, 0)) {
      SkipSpace();
      if (at_ == text_.size()) {
        return value;
      }
      Fail("text after the value");
    }
    problem = problem_ + " at byte " + std::to_string(at_);
    return std::nullopt;
  }

 private:
  bool Fail(const char* what) {
    if (problem_.empty()) {
      problem_ = what;
    }
    return false;
  }

  void SkipSpace() {
    while (at_ < text_.size() &&
           (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\n' || text_[at_] == '\r')) {
      ++at_;
    }
  }

  bool Take(char c) {
    SkipSpace();
    if (at_ < text_.size() && text_[at_] == c) {
      ++at_;
      return true;
    }
    return false;
  }

  bool Word(std::string_view word) {
    if (text_.substr(at_, word.size()) == word) {
      at_ += word.size();
      return true;
    }
    return Fail("not a JSON value");
  }

  bool Value(JsonValue& value, int depth) {
    if (depth > kDeepestJson) {
      return Fail("nesting too deep");
    }
    SkipSpace();
    if (at_ == text_.size()) {
      return Fail("the text ends where a value should be");
    }
    switch (text_[at_]) {
      case '{':
        ++at_;
        value.kind = JsonValue::Kind::kObject;
        return Members(value, depth);
      case '[':
        ++at_;
        value.kind = JsonValue::Kind::kArray;
        return Items(value, depth);
      case '"':
        value.kind = JsonValue::Kind::kString;
        return String(value.text);
      case 't':
        value.kind = JsonValue::Kind::kBool;
        value.boolean = true;
        return Word("true");
      case 'f':
        value.kind = JsonValue::Kind::kBool;
        return Word("false");
      case 'n':
        return Word("null");
      default:
        value.kind = JsonValue::Kind::kNumber;
        return Number(value.text);
    }
  }

  bool Members(JsonValue& object, int depth) {
    if (Take('}')) {
      return true;
    }
    do {
      SkipSpace();
      std::string key;
      if (at_ == text_.size() || text_[at_] != '"' || !String(key)) {
        return Fail("an object's key is not a string");
      }
      if (!Take(':')) {
        return Fail("no ':' after an object's key");
      }
      JsonValue member;
      if (!Value(member, depth + 1)) {
        return false;
      }
      object.keys.push_back(std::move(key));
      object.items.push_back(std::move(member));
    } while (Take(','));
    return Take('}') || Fail("no ',' or '}' after an object's member");
  }

  bool Items(JsonValue& array, int depth) {
    if (Take(']')) {
      return true;
    }
    do {
      JsonValue item;
      if (!Value(item, depth + 1)) {
        return false;
      }
      array.items.push_back(std::move(item));
    } while (Take(','));
    return Take(']') || Fail("no ',' or ']' after an array's item");
  }

  static bool IsDigit(char c) { return c >= '0' && c <= '9'; }

  // The grammar of a JSON number, kept as written.
  bool Number(std::string& number) {
    const std::size_t start = at_;
    const auto digits = [this] {
      const std::size_t from = at_;
      while (at_ < text_.size() && IsDigit(text_[at_])) {
        ++at_;
      }
      return at_ > from;
    };
    if (at_ < text_.size() && text_[at_] == '-') {
      ++at_;
    }
    if (at_ < text_.size() && text_[at_] == '0') {
      ++at_;
    } else if (!digits()) {
      return Fail("not a JSON value");
    }
    if (at_ < text_.size() && text_[at_] == '.') {
      ++at_;
      if (!digits()) {
        return Fail("no digit after a decimal point");
      }
    }
    if (at_ < text_.size() && (text_[at_] == 'e' || text_[at_] == 'E')) {
      ++at_;
      if (at_ < text_.size() && (text_[at_] == '+' || text_[at_] == '-')) {
        ++at_;
      }
      if (!digits()) {
        return Fail("no digit in an exponent");
      }
    }
    number = std::string(text_.substr(start, at_ - start));
    return true;
  }

  bool Hex(std::uint32_t& code) {
    if (text_.size() - at_ < 4) {
      return Fail("a \\u escape cut short");
    }
    code = 0;
    for (int k = 0; k < 4; ++k) {
      const char c = text_[at_++];
      const int digit = IsDigit(c)               ? c - '0'
                        : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                        : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                                 : -1;
      if (digit < 0) {
        return Fail("a \\u escape with a digit that is not hexadecimal");
      }
      code = code * 16 + static_cast<std::uint32_t>(digit);
    }
    return true;
  }

  static void AppendUtf8(std::string& out, std::uint32_t code) {
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      out += static_cast<char>(0xE0 | (code >> 12));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (code >> 18));
      out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }

  bool String(std::string& out) {
    ++at_;  // the opening quote
    while (at_ < text_.size()) {
      const char c = text_[at_++];
      if (c == '"') {
        return true;
      }
      if (static_cast<unsigned char>(c) < 0x20) {
        return Fail("a control character inside a string");
      }
      if (c != '\\') {
        out += c;
        continue;
      }
      if (at_ == text_.size()) {
        break;
      }
      const char escaped = text_[at_++];
      static constexpr std::string_view kFrom = "\"\\/bfnrt";
      static constexpr std::string_view kTo = "\"\\/\b\f\n\r\t";
      if (const std::size_t k = kFrom.find(escaped); k != std::string_view::npos) {
        out += kTo[k];
        continue;
      }
      if (escaped != 'u') {
        return Fail("an unknown escape inside a string");
      }
      std::uint32_t code = 0;
      if (!Hex(code)) {
        return false;
      }
      if (code >= 0xD800 && code < 0xDC00 && text_.substr(at_, 2) == "\\u") {
        at_ += 2;
        std::uint32_t low = 0;
        if (!Hex(low) || low < 0xDC00 || low >= 0xE000) {
          return Fail("a lone surrogate inside a string");
        }
        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
      } else if (code >= 0xD800 && code < 0xE000) {
        return Fail("a lone surrogate inside a string");
      }
      AppendUtf8(out, code);
    }
    return Fail("a string without its closing quote");
  }

  std::string_view text_;
  std::size_t at_ = 0;
  std::string problem_;
};

}  // namespace

const JsonValue* JsonValue::Find(std::string_view key) const {
  for (std::size_t k = 0; k < keys.size(); ++k) {
    if (keys[k] == key) {
      return &items[k];
    }
  }
  return nullptr;
}

std::optional<JsonValue> ParseJson(std::string_view text, std::string& problem) {
  return JsonReader(text).Document(problem);
}

std::string JsonString(std::string_view text) {
  std::string quoted = "\"";
  for (const char c : text) {
    const auto code = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += c;
    } else if (code < 0x20) {
      constexpr char kHex[] = "0123456789abcdef";
      quoted += "\\u00";
      quoted += kHex[code >> 4];
      quoted += kHex[code & 15];
    } else {
      quoted += c;
    }
  }
  return quoted + "\"";
}

}  // namespace unionbound
