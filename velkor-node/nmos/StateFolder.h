#pragma once
// What the node keeps between runs in its state folder: its own id, so that a restart
// keeps every id a registry and a control system hold.

#include <filesystem>
#include <string>

namespace velkor::node {

struct NodeIdResult {
  std::string id;       // empty when none could be read or made
  std::string problem;  // why, in words; also set when a new id could not be saved
};

// The id kept in the folder's "node-id" file; on first use a new one, saved whole
// (a new file renamed into place) so that a crash never leaves half an id.
NodeIdResult loadOrCreateNodeId(const std::filesystem::path& folder);

}  // namespace velkor::node
