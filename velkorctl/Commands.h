#pragma once
// velkorctl's commands. Each finds its converters through the transport it is given,
// prints through `output` and returns the exit code; none prints anything else.

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "Output.h"
#include "Selection.h"
#include "Transport.h"

namespace velkor::ctl {

struct Session {
  Transport& transport;
  Output& output;
  TargetOptions target;
  int in = 0;  // standard input, for `load -`
};

int listConverters(Session& session);
int showStatus(Session& session);
// With a group, warns when this machine has no such group (the rule may be meant for
// another) and prints the rule all the same.
int printUdevRule(Output& output, const std::string& group);
// `reset` makes the virtual converters forget what they were told and says what went
// wrong, if anything.
int resetVirtualConverters(Output& output, const std::function<std::string()>& reset);

int setSettings(Session& session, const std::vector<std::string>& assignments);
int saveSettingsFile(Session& session, const std::filesystem::path& file);
int loadSettingsFile(Session& session, const std::filesystem::path& file);

int writeName(Session& session, const std::string& name);
int storeCustom(Session& session, int slot);

}  // namespace velkor::ctl
