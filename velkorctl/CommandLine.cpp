#include "CommandLine.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>

#include "Assignments.h"
#include "Commands.h"
#include "Log.h"
#include "UdevRule.h"

namespace velkor::ctl {
namespace {

std::vector<std::string> modelOptions() {
  std::vector<std::string> options;
  for (const ModelInfo& model : models()) options.emplace_back(model.option);
  return options;
}

std::vector<const CLI::App*> commands(const CLI::App& app) {
  return app.get_subcommands([](const CLI::App*) { return true; });
}

bool isCommand(const CLI::App& app, const std::string& word) {
  const auto all = commands(app);
  return std::any_of(all.begin(), all.end(), [&](const CLI::App* command) { return command->check_name(word); });
}

std::string commandList(const CLI::App& app) {
  std::string list;
  for (const CLI::App* command : commands(app)) list += (list.empty() ? "" : ", ") + command->get_name();
  return list;
}

// The first argument that is neither an option nor an option's value: the command the
// user meant. Empty when there is none.
std::string commandWord(const CLI::App& app, int argc, const char* const* argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--") return i + 1 < argc ? argv[i + 1] : "";
    if (argument.size() < 2 || argument.front() != '-') return argument;
    if (argument.find('=') != std::string::npos) continue;
    const CLI::Option* option = app.get_option_no_throw(argument);
    // "-dNAME" carries its value; "-d NAME" has it next.
    if (option != nullptr && option->get_items_expected_min() > 0) ++i;
  }
  return {};
}

// Every error a script reads starts with the program's name, as the commands' own do.
std::string failureMessage(const CLI::App* app, const CLI::Error& error) {
  return "velkorctl: " + std::string(error.what()) + "\nRun " + app->get_name() + " --help for more.\n";
}

}  // namespace

int runCommandLine(int argc, const char* const* argv, const Environment& environment) {
  CLI::App app{"velkorctl: the Velkor TQ4410 and TQ6630 video converters from the command line.", "velkorctl"};
  app.footer(
      "Exit status: 0 done; 1 a converter did not answer or did not take a value; 2 a usage error or a bad value "
      "(nothing was sent); 3 no such converter; 4 a converter this user may not open (the message says how to fix "
      "that). See velkorctl(1).");
  app.require_subcommand(1);
  app.fallthrough();  // the options below may follow the command too
  app.failure_message(failureMessage);
  app.set_version_flag("--version", "velkorctl " VELKOR_VERSION);

  TargetOptions target;
  std::string model;
  bool json = false;
  bool virtualConverters = false;
  bool verbose = false;
  // An empty value, from an unset shell variable say, must not mean "the only one".
  const CLI::Validator notEmpty(
      [](std::string& text) { return text.empty() ? std::string("names no converter") : std::string(); }, "");
  CLI::Option* device =
      app.add_option("-d,--device", target.device,
                     "The converter: its number in `list`, its path, identity, serial number or custom name")
          ->check(notEmpty);
  app.add_option("--model", model, "Only converters of this model")
      ->check(CLI::IsMember(modelOptions(), CLI::ignore_case));
  app.add_flag("--all", target.all, "Every converter (of the --model given), one result line each")->excludes(device);
  app.add_flag("--json", json, "Print each result as one line of JSON");
  app.add_flag("--virtual", virtualConverters, "Work with three virtual converters instead of USB devices");
  app.add_flag("--verbose", verbose, "Show the diagnostic lines of the protocol on standard error");

  CLI::App* list = app.add_subcommand(
      "list", "List the converters attached (those -d or --model name): number, model, vendor:product, path");
  CLI::App* status = app.add_subcommand("status", "Show name, firmware, status and settings, in the panel's words");
  CLI::App* set = app.add_subcommand("set", "Check the settings given, send them in one apply frame and verify");
  std::vector<std::string> assignments;
  set->add_option("KEY=VALUE", assignments, "A setting and its value: a word of its list or a number")->required();
  set->footer("Keys, " + everySettingKey() + ".");
  CLI::App* name = app.add_subcommand("name", "Give the converter a custom name and read it back");
  std::string newName;
  name->add_option("NEW-NAME", newName, "At most " + std::to_string(kCustomNameLimit) + " Latin-1 characters")
      ->required();
  CLI::App* storeCustomSlot =
      app.add_subcommand("store-custom", "Store the converter's settings in its custom slot 1 or 2");
  int slot = 0;
  storeCustomSlot->add_option("SLOT", slot, "1 or 2")->required()->check(CLI::Range(1, 2));
  CLI::App* save = app.add_subcommand("save", "Save the converter's settings to a settings file of the panel");
  std::string saveFile;
  save->add_option("FILE", saveFile, "The settings file; - for standard output")->required();
  CLI::App* load = app.add_subcommand("load", "Send the settings of a settings file, then verify");
  std::string loadFile;
  load->add_option("FILE", loadFile, "The settings file; - for standard input")->required();
  CLI::App* udev = app.add_subcommand("udev-rule", "Print the udev rule that lets the logged-in user open converters");
  std::string group;
  udev->add_option("--group", group, "Let the members of this group open them too (over SSH, say); never anybody else")
      ->check(CLI::Validator(
          [](std::string& name) {
            return isGroupName(name) ? std::string()
                                     : "\"" + name +
                                           "\" is no group name: up to 32 letters, digits, '_', '.' or '-', "
                                           "starting with a letter or '_'";
          },
          "NAME"));
  CLI::App* virtualReset = app.add_subcommand(
      "virtual-reset", "Make the --virtual converters forget what they were told and start from the demo's state");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    const std::string word = app.get_subcommands().empty() ? commandWord(app, argc, argv) : std::string();
    if (!word.empty() && !isCommand(app, word)) {
      environment.err << "velkorctl: unknown command \"" << word << "\"; the commands are " << commandList(app)
                      << "\n";
      return kExitUsage;
    }
    return app.exit(error, environment.out, environment.err) == 0 ? kExitDone : kExitUsage;
  }

  Output output(environment.out, environment.err, json);
  if (udev->parsed()) return printUdevRule(output, group);
  if (virtualReset->parsed()) return resetVirtualConverters(output, environment.resetVirtualConverters);

  target.model = model.empty() ? nullptr : modelNamed(model);
  // Scripts read standard output; the diagnostic lines stay off it.
  setLogStream(verbose ? stderr : nullptr);
  Session session{environment.transport(virtualConverters, verbose), output, target, environment.in};
  if (list->parsed()) return listConverters(session);
  if (status->parsed()) return showStatus(session);
  if (set->parsed()) return setSettings(session, assignments);
  if (name->parsed()) return writeName(session, newName);
  if (storeCustomSlot->parsed()) return storeCustom(session, slot);
  if (save->parsed()) return saveSettingsFile(session, saveFile);
  return loadSettingsFile(session, loadFile);
}

}  // namespace velkor::ctl
