// A small JSON writer: builds an indented document in a string. Texts from
// outside (paths, labels, error messages) go in as data, escaped, with any
// bytes that are not UTF-8 replaced, so that every JSON parser reads it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace compare {

class JsonWriter {
 public:
  void BeginObject() { Open('{'); }
  void EndObject() { Close('}'); }
  void BeginArray() { Open('['); }
  void EndArray() { Close(']'); }
  // Inside an object, before each value.
  void Key(std::string_view key);
  void String(std::string_view text);
  // Shortest text that reads back as the same double; null when not finite,
  // which JSON cannot hold.
  void Number(double value);
  void Integer(int64_t value);
  void Unsigned(uint64_t value);
  void Bool(bool value);
  void Null();

  // The document, ending in a newline once the outermost value is closed.
  const std::string& text() const { return text_; }

 private:
  void Open(char bracket);
  void Close(char bracket);
  void BeforeValue();
  void NewLine();

  std::string text_;
  // One entry per open object or array: whether it has an element yet.
  std::vector<bool> has_element_;
  bool after_key_ = false;
};

// The shortest text that reads back as the same double; empty when not
// finite. The JSON file's numbers and the rounds' CSV use it alike.
std::string ShortestText(double value);

// A JSON string literal, quotes included.
std::string JsonQuote(std::string_view text);

}  // namespace compare
