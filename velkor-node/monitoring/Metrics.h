#pragma once
// The converters' health for Prometheus: the text exposition format, one series per
// converter, labelled with its device id, model and identity.

#include <string>

#include "ConverterHub.h"

namespace velkor::node {

inline constexpr const char* kMetricsContentType = "text/plain; version=0.0.4; charset=utf-8";

std::string metricsText(const ConverterHub& hub);

}  // namespace velkor::node
