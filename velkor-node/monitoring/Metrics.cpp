#include "Metrics.h"

#include <cstdio>
#include <cstring>
#include <functional>

#include "NodeModels.h"
#include "StatusTexts.h"

namespace velkor::node {
namespace {

// Label values may hold any UTF-8; these three must be escaped.
std::string escaped(const std::string& value) {
  std::string out;
  for (char c : value) {
    if (c == '\\')
      out += "\\\\";
    else if (c == '"')
      out += "\\\"";
    else if (c == '\n')
      out += "\\n";
    else
      out += c;
  }
  return out;
}

std::string labels(const ConverterAccess& converter, const std::string& extra = {}) {
  const ConverterInfo& info = converter.info();
  std::string text = "{device_id=\"" + info.deviceId + "\",model=\"" + escaped(info.modelWord) + "\",identity=\"" +
                     escaped(info.identity) + "\"";
  if (!extra.empty()) text += "," + extra;
  return text + "}";
}

std::string number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.9g", value);
  return text;
}

struct Family {
  const char* name;
  const char* type;
  const char* help;
  std::function<double(const ConverterAccess&)> value;
};

bool inputPresent(const ConverterAccess& converter) {
  const NodeModel* model = nodeModelOf(converter.info().versionNumber);
  const ConverterState& state = converter.state();
  if (model == nullptr || !state.answering || state.block.size() < model->blockSize) return false;
  return std::strcmp(model->inputWord(state.block.data()), status_text::kNoSignal) != 0;
}

double inputFormat(const ConverterAccess& converter) {
  const NodeModel* model = nodeModelOf(converter.info().versionNumber);
  const ConverterState& state = converter.state();
  if (model == nullptr || state.block.size() < model->blockSize) return 0;
  return state.block[model->inputFormatOffset];
}

}  // namespace

std::string metricsText(const ConverterHub& hub) {
  const std::vector<ConverterAccess*> converters = hub.converters();
  const Family families[] = {
      {"velkor_converter_up", "gauge", "Whether the converter answered its last status query.",
       [](const ConverterAccess& c) { return c.state().answering ? 1.0 : 0.0; }},
      {"velkor_converter_input_present", "gauge", "Whether the converter reports a signal at its input.",
       [](const ConverterAccess& c) { return inputPresent(c) ? 1.0 : 0.0; }},
      {"velkor_converter_input_format_code", "gauge", "The input format code of the last status reply.",
       [](const ConverterAccess& c) { return inputFormat(c); }},
      {"velkor_converter_exchanges_total", "counter", "Exchanges tried with the converter since the node started.",
       [](const ConverterAccess& c) { return static_cast<double>(c.state().exchanges); }},
      {"velkor_converter_exchange_failures_total", "counter", "Exchanges the converter did not answer.",
       [](const ConverterAccess& c) { return static_cast<double>(c.state().failures); }},
  };
  std::string text;
  for (const Family& family : families) {
    text += std::string("# HELP ") + family.name + " " + family.help + "\n";
    text += std::string("# TYPE ") + family.name + " " + family.type + "\n";
    for (const ConverterAccess* converter : converters)
      text += family.name + labels(*converter) + " " + number(family.value(*converter)) + "\n";
  }
  constexpr const char* kHistogram = "velkor_converter_exchange_seconds";
  text += std::string("# HELP ") + kHistogram + " How long a status exchange with the converter took.\n";
  text += std::string("# TYPE ") + kHistogram + " histogram\n";
  for (const ConverterAccess* converter : converters) {
    const ExchangeTimes& times = converter->state().exchangeTimes;
    std::uint64_t cumulative = 0;
    for (std::size_t i = 0; i < ExchangeTimes::kBoundsSeconds.size(); ++i) {
      cumulative += times.counts[i];
      text += std::string(kHistogram) + "_bucket" +
              labels(*converter, "le=\"" + number(ExchangeTimes::kBoundsSeconds[i]) + "\"") + " " +
              std::to_string(cumulative) + "\n";
    }
    cumulative += times.counts.back();
    text += std::string(kHistogram) + "_bucket" + labels(*converter, "le=\"+Inf\"") + " " +
            std::to_string(cumulative) + "\n";
    text += std::string(kHistogram) + "_sum" + labels(*converter) + " " + number(times.sumSeconds) + "\n";
    text += std::string(kHistogram) + "_count" + labels(*converter) + " " + std::to_string(cumulative) + "\n";
  }
  return text;
}

std::string eventMetricsText(const events::NodeEvents& events) {
  std::string text;
  for (std::size_t i = 0; i < events::kKinds; ++i) {
    const auto kind = static_cast<events::Kind>(i);
    const events::KindExposition& exposition = events::expositionOf(kind);
    text += std::string("# HELP ") + exposition.metric + " " + exposition.help + "\n";
    text += std::string("# TYPE ") + exposition.metric + " counter\n";
    for (const auto& [cause, count] : events.counts(kind))
      text += std::string(exposition.metric) + "{" + exposition.label + "=\"" + escaped(cause) + "\"} " +
              std::to_string(count) + "\n";
  }
  return text;
}

}  // namespace velkor::node
