// A minimal JSON text builder: objects, arrays, integers, booleans, strings.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orlindel::cli {

class JsonWriter {
 public:
  JsonWriter& BeginObject();
  JsonWriter& EndObject();
  JsonWriter& BeginArray();
  JsonWriter& EndArray();
  // The name of the next member of the enclosing object.
  JsonWriter& Key(std::string_view name);
  JsonWriter& Int(int64_t value);
  JsonWriter& Bool(bool value);
  JsonWriter& String(std::string_view value);
  JsonWriter& Null();

  const std::string& text() const { return text_; }

 private:
  void BeforeValue();
  void AppendQuoted(std::string_view value);

  std::string text_;
  // Per open container: true once it holds a member.
  std::vector<bool> has_member_;
  bool after_key_ = false;
};

}  // namespace orlindel::cli
