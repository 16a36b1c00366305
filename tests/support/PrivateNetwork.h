#pragma once
// Moves the process into a network namespace of its own, with only its loopback up, so
// that the tests' and benchmarks' WebSocket traffic never touches the machine's network.
// Call it before any thread starts: threads made later inherit the namespace.

namespace velkor::node::testing {

// False when the kernel lets this user make no namespace.
bool enterPrivateNetwork();

}  // namespace velkor::node::testing
