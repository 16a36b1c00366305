#pragma once
// What velkorctl prints. Results go to standard output, one per converter: a line of
// JSON each with --json, text otherwise. Errors that are no converter's result go to
// standard error, where the core's diagnostic lines go too with --verbose.

#include <cstdint>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <string_view>

namespace velkor::ctl {

// Keys keep the order they are added in, so a result reads as the text does.
using Json = nlohmann::ordered_json;

// The version of the JSON results' layout that every line carries as "schema". It
// changes only when a key a script may read changes its meaning or goes away.
inline constexpr int kJsonSchema = 1;

class Converter;
struct SettingKey;

class Output {
 public:
  Output(std::ostream& out, std::ostream& err, bool json) : out_(out), err_(err), json_(json) {}

  // The object as one line of JSON, or the text.
  void result(const Json& object, std::string_view text);
  void error(std::string_view message);
  // A file's bytes on standard output, as they are; false when they could not be
  // written.
  bool file(std::string_view bytes);
  // The same output with its results on standard error, for a command whose standard
  // output carries a file.
  Output resultsOnErr() const { return Output(err_, err_, json_); }

 private:
  std::ostream& out_;
  std::ostream& err_;
  bool json_;
};

// The converter as every result names it: the schema, its number, model and path, and
// its name once it has told it.
Json identity(const Converter& converter);
// "2 TQ4410 Studio A".
std::string label(const Converter& converter);

// A converter's result in one line: its identity with `fields` and "ok": true, or its
// label with `text`.
void converterDone(Output& output, const Converter& converter, Json fields, std::string_view text);
// A converter that failed: its identity with `fields`, "ok": false and the error, or
// "label: error: ...". Returns false, for the caller to hand on.
bool converterFailed(Output& output, const Converter& converter, std::string_view error, Json fields = Json::object());

// A value as a script reads it: {"code": the byte, "word": the panel's word for it, or
// null when it has none}.
Json codeAndWord(std::uint8_t code, const std::string& word);
// A setting's value: the byte and the word `set` takes back (the list's word, or the
// number of a range).
Json settingJson(const SettingKey& key, std::uint8_t value, const std::uint8_t* block);

}  // namespace velkor::ctl
