#include "report/json_reader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <unordered_set>

#include "text/text.h"

namespace report {

namespace {

// A byte as a message shows it: printable ASCII quoted, anything else in hex,
// so a stray escape sequence never reaches the terminal.
std::string ByteText(unsigned char c) {
  if (c >= 0x20 && c < 0x7f) return std::string("'") + static_cast<char>(c) + "'";
  static const char kHex[] = "0123456789ABCDEF";
  return std::string("byte 0x") + kHex[c >> 4] + kHex[c & 15];
}

std::string Shown(std::string_view text) { return MessageText(text, 40); }

class Parser {
 public:
  Parser(const InputFile& file, const JsonLimits& limits, std::string* error)
      : file_(file), text_(file.content), limits_(limits), error_(error) {}

  bool Document(JsonValue* root) {
    if (text_.substr(0, 3) == "\xEF\xBB\xBF") at_ = 3;
    SkipSpace();
    if (at_ == text_.size()) return Fail(text_.empty() ? "the file is empty" : "holds no JSON value");
    if (!Value(root, 0)) return false;
    SkipSpace();
    if (at_ != text_.size()) {
      return Fail("more after the document's end: " + ByteText(Byte()));
    }
    return true;
  }

 private:
  unsigned char Byte() const { return static_cast<unsigned char>(text_[at_]); }

  bool Fail(const std::string& what) {
    *error_ = InputError(file_.path, line_, what);
    return false;
  }

  void SkipSpace() {
    for (; at_ < text_.size(); ++at_) {
      const char c = text_[at_];
      if (c == '\n') {
        ++line_;
      } else if (c != ' ' && c != '\t' && c != '\r') {
        return;
      }
    }
  }

  bool Value(JsonValue* value, size_t depth) {
    if (at_ == text_.size()) return Fail("the file ends where a value should follow");
    if (++values_ > limits_.max_values) {
      return Fail("more than " + std::to_string(limits_.max_values) + " values");
    }
    value->line = line_;
    switch (text_[at_]) {
      case '{':
      case '[':
        if (depth + 1 > limits_.max_depth) {
          return Fail("nested deeper than " + std::to_string(limits_.max_depth) + " levels");
        }
        return text_[at_] == '{' ? Object(value, depth + 1) : Array(value, depth + 1);
      case '"':
        value->type = JsonType::kString;
        return String(&value->text);
      case 't':
        value->boolean = true;
        [[fallthrough]];
      case 'f':
        value->type = JsonType::kBool;
        return Word(value->boolean ? "true" : "false");
      case 'n':
        value->type = JsonType::kNull;
        return Word("null");
      default:
        if (text_[at_] == '-' || (text_[at_] >= '0' && text_[at_] <= '9')) return Number(value);
        return Fail("a value expected, found " + ByteText(Byte()));
    }
  }

  bool Word(std::string_view word) {
    if (text_.substr(at_, word.size()) != word) {
      return Fail("a value expected, found " + ByteText(Byte()));
    }
    at_ += word.size();
    return true;
  }

  // Where a member or element ends: the separator or the closing bracket.
  bool Next(char close, bool* more) {
    SkipSpace();
    if (at_ == text_.size()) return Fail("the file ends inside an " + std::string(close == '}' ? "object" : "array"));
    if (text_[at_] == ',') {
      ++at_;
      SkipSpace();
      if (at_ < text_.size() && text_[at_] == close) return Fail("a comma before " + ByteText(Byte()));
      *more = true;
      return true;
    }
    if (text_[at_] == close) {
      ++at_;
      *more = false;
      return true;
    }
    return Fail(std::string("',' or '") + close + "' expected, found " + ByteText(Byte()));
  }

  // Past the opening bracket; true when the closing one follows at once.
  bool Empty(char close) {
    ++at_;
    SkipSpace();
    if (at_ == text_.size() || text_[at_] != close) return false;
    ++at_;
    return true;
  }

  bool Array(JsonValue* value, size_t depth) {
    value->type = JsonType::kArray;
    if (Empty(']')) return true;
    for (bool more = true; more;) {
      value->items.emplace_back();
      if (!Value(&value->items.back(), depth) || !Next(']', &more)) return false;
    }
    return true;
  }

  bool Object(JsonValue* value, size_t depth) {
    value->type = JsonType::kObject;
    if (Empty('}')) return true;
    std::unordered_set<std::string> seen;
    for (bool more = true; more;) {
      if (at_ == text_.size()) return Fail("the file ends inside an object");
      if (text_[at_] != '"') return Fail("a key in quotes expected, found " + ByteText(Byte()));
      std::string key;
      if (!String(&key)) return false;
      // Which of two values a reader takes differs between readers; neither is taken.
      if (!seen.insert(key).second) {
        return Fail("the key \"" + Shown(key) + "\" twice in one object");
      }
      SkipSpace();
      if (at_ == text_.size() || text_[at_] != ':') {
        return Fail("':' expected after the key \"" + Shown(key) + "\"");
      }
      ++at_;
      SkipSpace();
      value->keys.push_back(std::move(key));
      value->items.emplace_back();
      if (!Value(&value->items.back(), depth) || !Next('}', &more)) return false;
    }
    return true;
  }

  bool Hex4(uint32_t* code) {
    if (at_ + 4 > text_.size()) return Fail("the file ends inside a \\u escape");
    *code = 0;
    for (size_t k = 0; k < 4; ++k) {
      const char c = text_[at_ + k];
      const int digit = c >= '0' && c <= '9'   ? c - '0'
                        : c >= 'a' && c <= 'f' ? c - 'a' + 10
                        : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                               : -1;
      if (digit < 0) return Fail("\\u needs four hex digits");
      *code = *code * 16 + static_cast<uint32_t>(digit);
    }
    at_ += 4;
    return true;
  }

  bool Escape(std::string* out) {
    if (at_ == text_.size()) return Fail("the file ends inside a string");
    const char c = text_[at_++];
    switch (c) {
      case '"': case '\\': case '/': *out += c; return true;
      case 'b': *out += '\b'; return true;
      case 'f': *out += '\f'; return true;
      case 'n': *out += '\n'; return true;
      case 'r': *out += '\r'; return true;
      case 't': *out += '\t'; return true;
      case 'u': break;
      default: return Fail("an unknown escape \\" + ByteText(static_cast<unsigned char>(c)) + " in a string");
    }
    uint32_t code = 0;
    if (!Hex4(&code)) return false;
    if (code >= 0xDC00 && code <= 0xDFFF) return Fail("a \\u escape of a lone low surrogate");
    if (code >= 0xD800 && code <= 0xDBFF) {
      uint32_t low = 0;
      if (text_.substr(at_, 2) != "\\u") return Fail("a \\u escape of a lone high surrogate");
      at_ += 2;
      if (!Hex4(&low)) return false;
      if (low < 0xDC00 || low > 0xDFFF) return Fail("a \\u escape of a lone high surrogate");
      code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
    }
    text::AppendUtf8(code, out);
    return true;
  }

  bool String(std::string* out) {
    ++at_;  // the opening quote
    while (true) {
      if (out->size() > limits_.max_string_bytes) {
        return Fail("a string longer than " + std::to_string(limits_.max_string_bytes) + " bytes");
      }
      if (at_ >= text_.size()) return Fail("the file ends inside a string");
      const unsigned char c = Byte();
      if (c == '"') {
        ++at_;
        return true;
      }
      if (c == '\\') {
        ++at_;
        if (!Escape(out)) return false;
      } else if (c < 0x20) {
        return Fail("a control character (" + ByteText(c) + ") in a string");
      } else if (c < 0x80) {
        *out += static_cast<char>(c);
        ++at_;
      } else if (const size_t length = text::Utf8SequenceLength(text_, at_)) {
        out->append(text_.substr(at_, length));
        at_ += length;
      } else {
        return Fail("a string that is not UTF-8 (" + ByteText(c) + ")");
      }
    }
  }

  bool Number(JsonValue* value) {
    value->type = JsonType::kNumber;
    const size_t start = at_;
    auto digits = [&] {
      const size_t from = at_;
      while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9') ++at_;
      return at_ - from;
    };
    if (text_[at_] == '-') ++at_;
    const size_t whole_start = at_;
    const size_t whole = digits();
    bool ok = whole > 0 && !(whole > 1 && text_[whole_start] == '0');
    if (ok && at_ < text_.size() && text_[at_] == '.') {
      ++at_;
      ok = digits() > 0;
    }
    if (ok && at_ < text_.size() && (text_[at_] == 'e' || text_[at_] == 'E')) {
      ++at_;
      if (at_ < text_.size() && (text_[at_] == '+' || text_[at_] == '-')) ++at_;
      ok = digits() > 0;
    }
    // A number ends where a separator, a bracket or white space begins.
    if (ok && at_ < text_.size() && std::string_view(",]} \t\r\n").find(text_[at_]) == std::string_view::npos) {
      ok = false;
    }
    const std::string_view text = text_.substr(start, std::max(at_, start + 1) - start);
    if (!ok) return Fail("not a JSON number: " + Shown(text));
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value->number);
    // Far below the smallest double (1e-400) is out of range too: no figure of ours is that small.
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value->number)) {
      return Fail("a number beyond the range of a double: " + Shown(text));
    }
    value->text = text;
    return true;
  }

  const InputFile& file_;
  const std::string_view text_;
  const JsonLimits& limits_;
  std::string* error_;
  size_t at_ = 0;
  size_t line_ = 1;
  size_t values_ = 0;
};

}  // namespace

const JsonValue* JsonValue::Find(std::string_view key) const {
  for (size_t i = 0; i < keys.size() && i < items.size(); ++i) {
    if (keys[i] == key) return &items[i];
  }
  return nullptr;
}

const char* JsonTypeName(JsonType type) {
  switch (type) {
    case JsonType::kNull: return "null";
    case JsonType::kBool: return "true or false";
    case JsonType::kNumber: return "a number";
    case JsonType::kString: return "a text";
    case JsonType::kArray: return "an array";
    case JsonType::kObject: return "an object";
  }
  return "?";
}

bool ParseJson(const InputFile& file, JsonValue* root, std::string* error,
               const JsonLimits& limits) {
  *root = JsonValue{};
  return Parser(file, limits, error).Document(root);
}

}  // namespace report
