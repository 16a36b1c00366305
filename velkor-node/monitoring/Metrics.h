#pragma once
// The converters' health for Prometheus: the text exposition format, one series per
// converter, labelled with its device id, model and identity.

#include <string>

#include "ConverterHub.h"
#include "HttpGate.h"

namespace velkor::node {

inline constexpr const char* kMetricsContentType = "text/plain; version=0.0.4; charset=utf-8";

std::string metricsText(const ConverterHub& hub);
// The requests refused for authorization since the node started, by reason.
std::string refusalMetricsText(const auth::RefusalCounts& refusals);

}  // namespace velkor::node
