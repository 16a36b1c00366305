#include "Output.h"

#include "Converter.h"
#include "SettingKeys.h"
#include "Text.h"

namespace velkor::ctl {

void Output::result(const Json& object, std::string_view text) {
  if (json_)
    // Paths come from the system and need not be UTF-8; a script still gets valid JSON.
    out_ << object.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
  else
    out_ << text << '\n';
  out_.flush();
}

bool Output::file(std::string_view bytes) {
  out_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out_.flush();
  return out_.good();
}

void Output::error(std::string_view message) { err_ << "velkorctl: " << message << '\n' << std::flush; }

Json identity(const Converter& converter) {
  Json object{{"schema", kJsonSchema},
              {"converter", converter.number()}, {"model", converter.model().word}, {"path", converter.path()}};
  if (converter.heard()) object["name"] = toUtf8(converter.name());
  return object;
}

std::string label(const Converter& converter) {
  std::string text = std::to_string(converter.number()) + " " + converter.model().word;
  if (converter.heard() && !converter.name().empty()) text += " " + toUtf8(converter.name());
  return text;
}

void converterDone(Output& output, const Converter& converter, Json fields, std::string_view text) {
  Json object = identity(converter);
  object["ok"] = true;
  object.update(fields);
  output.result(object, label(converter) + ": " + std::string(text));
}

bool converterFailed(Output& output, const Converter& converter, std::string_view error, Json fields) {
  Json object = identity(converter);
  object["ok"] = false;
  object["error"] = error;
  object.update(fields);
  output.result(object, label(converter) + ": error: " + std::string(error));
  return false;
}

Json codeAndWord(std::uint8_t code, const std::string& word) {
  return {{"code", code}, {"word", word.empty() ? Json() : Json(word)}};
}

Json settingJson(const SettingKey& key, std::uint8_t value, const std::uint8_t* block) {
  if (key.words.empty()) return codeAndWord(value, std::to_string(value));
  return codeAndWord(value, valueWord(key, value, block).value_or(""));
}

}  // namespace velkor::ctl
