#pragma once
// velkorctl run in-process on virtual converters with a manual clock, so that a
// converter that never answers costs no waiting.

#include <gtest/gtest.h>
#include <unistd.h>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "virtual/Clock.h"
#include "virtual/VirtualTransport.h"

namespace velkor::test {

struct CtlRun {
  int exitCode;
  std::string out;
  std::string err;

  // Standard output as one JSON object per line.
  std::vector<nlohmann::json> json() const {
    std::vector<nlohmann::json> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) lines.push_back(nlohmann::json::parse(line));
    return lines;
  }
};

class CtlFixture : public ::testing::Test {
 protected:
  // `input` is what standard input holds, then its end.
  CtlRun run(const std::vector<std::string>& arguments, const std::string& input = {}) {
    std::vector<const char*> argv{"velkorctl"};
    for (const std::string& a : arguments) argv.push_back(a.c_str());
    std::ostringstream out;
    std::ostringstream err;
    int pipeEnds[2];
#ifdef _WIN32
    EXPECT_EQ(::_pipe(pipeEnds, 65536, _O_BINARY), 0);
#else
    EXPECT_EQ(::pipe(pipeEnds), 0);
#endif
    EXPECT_LT(input.size(), 65536u) << "a pipe holds this much without a reader";
    EXPECT_EQ(::write(pipeEnds[1], input.data(), static_cast<unsigned>(input.size())),
              static_cast<int>(input.size()));
    ::close(pipeEnds[1]);
    const ctl::Environment environment{out, err, [this](bool, bool) -> Transport& { return transport; },
                                       pipeEnds[0], [this] { return resetProblem; }};
    const int exitCode = ctl::runCommandLine(static_cast<int>(argv.size()), argv.data(), environment);
    ::close(pipeEnds[0]);
    return {exitCode, out.str(), err.str()};
  }

  VirtualConverter& addConverter(ConverterModel model, const std::string& path, const std::string& name,
                                 VirtualConverter::Settings settings = {}) {
    VirtualConverterSetup setup;
    setup.model = model;
    setup.path = path;
    setup.name = name;
    setup.ids = model == ConverterModel::TQ4410 ? kAcceptedPairs[1] : kAcceptedPairs[2];
    VirtualConverter& converter = transport.addConverter(setup);
    converter.state.settings = settings;
    return converter;
  }

  // Every frame that reached any converter.
  std::size_t framesSent() const {
    std::size_t count = 0;
    for (const auto& c : transport.converters()) count += c->receivedFrames().size();
    return count;
  }

  // What virtual-reset reports.
  std::string resetProblem;
  ManualClock clock;
  VirtualTransport transport{clock};
};

}  // namespace velkor::test
