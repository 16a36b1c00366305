#pragma once
// The standard control classes and datatypes every device model is built on, as AMWA
// publishes their descriptors (MS-05-02 v1.0 and the monitoring feature set; Apache-2.0,
// models/NOTICE). Kept as the published JSON so that what a controller compares against
// the published models is the same text, not a transcription.

#include <nlohmann/json.hpp>

namespace velkor::node::control {

// {"classes": [class descriptors], "datatypes": [datatype descriptors]}, parsed once.
const nlohmann::json& standardModel();

}  // namespace velkor::node::control
