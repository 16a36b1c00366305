#include "GadgetCommands.h"

#include <array>
#include <charconv>
#include <limits>
#include <sstream>
#include <string_view>

namespace velkor::gadget {
namespace {

struct FaultName {
  const char* word;
  ConverterFault fault;
};
constexpr std::array<FaultName, 8> kFaultNames{{
    {"no-reply", ConverterFault::NoReply},
    {"late-reply", ConverterFault::DelayedReply},
    {"wrong-sync", ConverterFault::WrongSync},
    {"unknown-reply-code", ConverterFault::UnknownReplyCode},
    {"stalled-out", ConverterFault::StalledWrite},
    {"oversized-report", ConverterFault::OversizedReport},
    {"unclosed-name", ConverterFault::UnclosedName},
    {"unplugged", ConverterFault::Unplugged},
}};
static_assert(kFaultNames.size() == static_cast<std::size_t>(ConverterFault::Count));

struct CommandError {
  std::string reason;
};

template <typename Number>
Number number(std::string_view text, Number highest, const char* what) {
  Number value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value > highest)
    throw CommandError{std::string("bad ") + what + " \"" + std::string(text) + "\""};
  return value;
}

bool onOff(const std::string& word) {
  if (word == "on") return true;
  if (word == "off") return false;
  throw CommandError{"expected on or off, not \"" + word + "\""};
}

std::string joined(const auto& bytes) {
  std::string text;
  for (const std::uint8_t b : bytes) text += (text.empty() ? "" : ",") + std::to_string(b);
  return text;
}

std::string describe(const VirtualConverter& c) {
  std::ostringstream out;
  const HidAttributes ids = c.attributes();
  char pair[16];
  std::snprintf(pair, sizeof pair, "%04x:%04x", ids.vendorId, ids.productId);
  out << "model=" << (c.model() == ConverterModel::TQ4410 ? "TQ4410" : "TQ6630") << "\n"
      << "ids=" << pair << "\n"
      << "name=" << c.state.name << "\n"
      << "controls-pc=" << (c.state.controlsPc ? 1 : 0) << "\n"
      << "settings=" << joined(c.state.settings) << "\n"
      << "overlay-items=" << joined(c.state.overlayItems) << "\n"
      << "slot1=" << joined(c.state.customSlots[0].settings) << "\n"
      << "slot2=" << joined(c.state.customSlots[1].settings) << "\n"
      << "frames=" << c.receivedFrames().size() << "\n"
      << "rejected=" << c.rejectedFrames() << "\n"
      << "faults=";
  std::string faults;
  for (const FaultName& f : kFaultNames)
    if (c.hasFault(f.fault)) faults += (faults.empty() ? "" : ",") + std::string(f.word);
  out << faults << "\n";
  return out.str();
}

// Frames `from` onwards (counted from 0, as "frames=" of the state counts them), one
// line of hexadecimal each: a check compares them byte for byte.
std::string framesFrom(const VirtualConverter& c, std::size_t from) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  const auto& frames = c.receivedFrames();
  for (std::size_t k = from; k < frames.size(); ++k) {
    for (const std::uint8_t b : frames[k]) {
      out += kDigits[b >> 4];
      out += kDigits[b & 0x0F];
    }
    out += '\n';
  }
  return out;
}

ConverterFault faultNamed(const std::string& word) {
  for (const FaultName& f : kFaultNames)
    if (word == f.word) return f.fault;
  throw CommandError{"no fault \"" + word + "\""};
}

}  // namespace

std::string runCommand(const std::string& line, std::vector<std::unique_ptr<GadgetConverter>>& converters) {
  std::istringstream in(line);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  try {
    if (words.empty()) throw CommandError{"empty command"};
    const std::string& verb = words[0];
    if (verb == "list") {
      std::string out = "ok\n";
      for (std::size_t k = 0; k < converters.size(); ++k) {
        const GadgetFunction& f = converters[k]->function();
        out += std::to_string(k + 1) + " " + f.controller() + " " + f.devicePath() + "\n";
      }
      return out;
    }
    if (words.size() < 2) throw CommandError{"\"" + verb + "\" needs a converter number"};
    const std::size_t index = number<std::size_t>(words[1], converters.size(), "converter number");
    if (index == 0) throw CommandError{"converters are numbered from 1"};
    GadgetConverter& converter = *converters[index - 1];
    auto needs = [&](std::size_t count) {
      if (words.size() != count) throw CommandError{"\"" + verb + "\" takes " + std::to_string(count - 1) + " words"};
    };
    if (verb == "state") {
      needs(2);
      return "ok\n" + converter.inspect(describe);
    }
    if (verb == "frames") {
      needs(3);
      const auto from = number<std::size_t>(words[2], std::numeric_limits<std::size_t>::max(), "frame number");
      return "ok\n" + converter.inspect([from](const VirtualConverter& c) { return framesFrom(c, from); });
    }
    if (verb == "fault") {
      needs(4);
      const ConverterFault fault = faultNamed(words[2]);
      const bool on = onOff(words[3]);
      converter.change([&](VirtualConverter& c) { c.setFault(fault, on); });
    } else if (verb == "unplug" || verb == "replug") {
      needs(2);
      converter.change([&](VirtualConverter& c) { c.setFault(ConverterFault::Unplugged, verb == "unplug"); });
    } else if (verb == "reset") {
      needs(2);
      converter.change([](VirtualConverter& c) {
        for (const FaultName& f : kFaultNames) c.setFault(f.fault, false);
      });
    } else if (verb == "dip") {
      needs(3);
      const bool on = onOff(words[2]);
      converter.change([&](VirtualConverter& c) { c.state.controlsPc = on; });
    } else if (verb == "name") {
      // The rest of the line after the number, blanks inside kept.
      std::istringstream again(line);
      std::string skipped, name;
      again >> skipped >> skipped;
      std::getline(again >> std::ws, name);
      converter.change([&](VirtualConverter& c) { c.state.name = name; });
    } else if (verb == "settings") {
      needs(3);
      VirtualConverter::Settings settings{};
      std::istringstream list(words[2]);
      std::size_t k = 0;
      for (std::string item; std::getline(list, item, ','); ++k) {
        if (k == settings.size()) throw CommandError{"more than " + std::to_string(settings.size()) + " settings"};
        settings[k] = number<std::uint8_t>(item, 255, "setting");
      }
      if (k != settings.size()) throw CommandError{"expected " + std::to_string(settings.size()) + " settings"};
      converter.change([&](VirtualConverter& c) { c.state.settings = settings; });
    } else if (verb == "delay") {
      needs(3);
      const auto ms = number<unsigned>(words[2], 60000, "delay");
      converter.change([&](VirtualConverter& c) { c.replyDelay = std::chrono::milliseconds(ms); });
    } else {
      throw CommandError{"no command \"" + verb + "\""};
    }
    const std::string failed = converter.plugError();
    return failed.empty() ? "ok\n" : "error: " + failed + "\n";
  } catch (const CommandError& error) {
    return "error: " + error.reason + "\n";
  }
}

}  // namespace velkor::gadget
