// The commands for what a converter keeps of its own: its name and its two custom
// slots.

#include <algorithm>

#include "Commands.h"
#include "Text.h"

namespace velkor::ctl {
namespace {

// Why a name cannot be given to a converter; empty when it can.
std::string nameProblem(const std::u16string& name) {
  if (name.size() > kCustomNameLimit)
    return "a custom name has at most " + std::to_string(kCustomNameLimit) + " characters";
  // The converters keep Latin-1 bytes and end a name at its '#' in their replies.
  if (std::any_of(name.begin(), name.end(), [](char16_t c) { return c > 0xFF; }))
    return "a custom name takes only Latin-1 characters";
  if (std::find(name.begin(), name.end(), u'#') != name.end()) return "a custom name cannot hold '#'";
  // A control character would break the one line a result takes, and no panel shows one.
  if (std::any_of(name.begin(), name.end(), [](char16_t c) { return c < 0x20 || (c >= 0x7F && c < 0xA0); }))
    return "a custom name cannot hold control characters";
  return {};
}

}  // namespace

int writeName(Session& session, const std::string& text) {
  const std::u16string name = fromUtf8(text);
  if (const std::string problem = nameProblem(name); !problem.empty()) {
    session.output.error("bad name \"" + text + "\": " + problem);
    return kExitUsage;
  }
  const Chosen chosen = chooseConverters(session.transport, session.output, session.target);
  if (chosen.exitCode != kExitDone) return chosen.exitCode;
  return actOnEach(session.transport, session.output, chosen, [&](Converter& converter) {
    // Reading the name back decides; whether the converter answered the name tells a
    // refusal from a name that never reached it.
    const bool answered = converter.writeName(name);
    if (!converter.query()) return converterFailed(session.output, converter, noAnswer());
    if (converter.name() != name)
      return converterFailed(session.output, converter,
                             "did not take the name \"" + text + "\"" +
                                 (answered ? "; is its DIP switch at \"Controls-PC\"?" : "; it did not answer the name"));
    converterDone(session.output, converter, Json::object(), "named \"" + text + "\"");
    return true;
  });
}

int storeCustom(Session& session, int slot) {
  const Chosen chosen = chooseConverters(session.transport, session.output, session.target);
  if (chosen.exitCode != kExitDone) return chosen.exitCode;
  return actOnEach(session.transport, session.output, chosen, [&](Converter& converter) {
    const Json fields{{"custom-slot", slot}};
    if (!converter.storeCustom(static_cast<std::uint8_t>(slot)))
      return converterFailed(session.output, converter, noAnswer(), fields);
    converterDone(session.output, converter, fields, "stored its settings in custom slot " + std::to_string(slot));
    return true;
  });
}

}  // namespace velkor::ctl
