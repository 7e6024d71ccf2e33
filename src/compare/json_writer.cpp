#include "compare/json_writer.h"

#include <charconv>
#include <cmath>

#include "text/text.h"

namespace compare {
namespace {

// The length of the valid UTF-8 sequence at text[i], or 0.
size_t Utf8Length(std::string_view text, size_t i) {
  return static_cast<unsigned char>(text[i]) < 0x80 ? 1 : text::Utf8SequenceLength(text, i);
}

}  // namespace

std::string ShortestText(double value) {
  if (!std::isfinite(value)) return std::string();
  char buffer[32];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

std::string JsonQuote(std::string_view text) {
  std::string out = "\"";
  for (size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    const size_t length = Utf8Length(text, i);
    if (length == 0) {
      out += "\\ufffd";
      ++i;
      continue;
    }
    if (length > 1) {
      out.append(text.substr(i, length));
    } else if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c < 0x20 || c == 0x7F) {
      static constexpr char kHex[] = "0123456789abcdef";
      out += "\\u00";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
    i += length;
  }
  return out + "\"";
}

void JsonWriter::NewLine() {
  text_ += '\n';
  text_.append(2 * has_element_.size(), ' ');
}

void JsonWriter::BeforeValue() {
  if (after_key_) {
    after_key_ = false;
    return;
  }
  if (has_element_.empty()) return;
  if (has_element_.back()) text_ += ',';
  has_element_.back() = true;
  NewLine();
}

void JsonWriter::Key(std::string_view key) {
  BeforeValue();
  text_ += JsonQuote(key);
  text_ += ": ";
  after_key_ = true;
}

void JsonWriter::Open(char bracket) {
  BeforeValue();
  text_ += bracket;
  has_element_.push_back(false);
}

void JsonWriter::Close(char bracket) {
  const bool had = has_element_.back();
  has_element_.pop_back();
  if (had) NewLine();
  text_ += bracket;
  if (has_element_.empty()) text_ += '\n';
}

void JsonWriter::String(std::string_view text) {
  BeforeValue();
  text_ += JsonQuote(text);
}

void JsonWriter::Number(double value) {
  BeforeValue();
  text_ += std::isfinite(value) ? ShortestText(value) : "null";
}

void JsonWriter::Integer(int64_t value) {
  BeforeValue();
  text_ += std::to_string(value);
}

void JsonWriter::Unsigned(uint64_t value) {
  BeforeValue();
  text_ += std::to_string(value);
}

void JsonWriter::Bool(bool value) {
  BeforeValue();
  text_ += value ? "true" : "false";
}

void JsonWriter::Null() {
  BeforeValue();
  text_ += "null";
}

}  // namespace compare
