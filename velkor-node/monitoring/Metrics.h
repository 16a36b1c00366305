#pragma once
// The converters' health for Prometheus: the text exposition format, one series per
// converter, labelled with its device id, model and identity.

#include <string>

#include "ConverterHub.h"
#include "NodeEvents.h"

namespace velkor::node {

inline constexpr const char* kMetricsContentType = "text/plain; version=0.0.4; charset=utf-8";

std::string metricsText(const ConverterHub& hub);
// What the node refused and dropped since it started, by kind and cause.
std::string eventMetricsText(const events::NodeEvents& events);

}  // namespace velkor::node
