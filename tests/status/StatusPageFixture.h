#pragma once
// The main window on one virtual converter, opened on its status page, with every
// message box closed as it opens and remembered.

#include <QLineEdit>
#include <string>
#include <vector>

#include "AppFixture.h"
#include "ModalCloser.h"
#include "PageFrame.h"
#include "WireFormat.h"

namespace velkor::test {

// What the tests need to know of each model's status page.
struct PageModel {
  const char* word;
  ConverterModel model;
  int nameField;
  int saveButton;
  int statusField;  // one of the read-only fields
  const char* productName;
  const char* otherModelWord;
  const char* enterLine;
};

inline void PrintTo(const PageModel& model, std::ostream* out) { *out << model.word; }

inline const PageModel kPageA{"TQ4410", ConverterModel::TQ4410, 1022, 1116, 1035, "KLMTR-4",
                              "TQ6630", "  my tq4410 name  \n"};
inline const PageModel kPageB{"TQ6630", ConverterModel::TQ6630, 1077, 1023, 1079, "LKMTR-4",
                              "TQ4410", "my  tq6630 name  \n"};

class StatusPageFixture : public AppFixture {
 protected:
  VirtualConverter& addConverter(const PageModel& model, std::string name) {
    return AppFixture::addConverter(model.model, "/dev/hidraw0", std::move(name));
  }

  // Scans, chooses the converter and keeps its status page.
  void openPage() {
    openWindow();
    scan();
    log.clear();
    choose(1);
    page = window->panel()->currentPage();
  }
  // Chooses the converter again: a new panel and a new status page, which queries and
  // tests afresh. Forgets what was logged and received before.
  void reopenPage(VirtualConverter& converter) {
    log.clear();
    converter.forgetReceived();
    choose(1);
    page = window->panel()->currentPage();
  }

  QLineEdit* field(int id) { return control<QLineEdit>(page, id); }

  // The names the converter was sent since it last forgot, in order.
  static std::vector<std::string> namesWritten(const VirtualConverter& converter) {
    using namespace wire;
    std::vector<std::string> names;
    for (const std::vector<std::uint8_t>& frame : converter.receivedFrames()) {
      const std::uint8_t* name = nullptr;
      if (converter.model() == ConverterModel::TQ4410 && frame[kCommandOffset] == kCmdCustomNameA)
        name = &frame[kBodyOffset + 1];
      if (converter.model() == ConverterModel::TQ6630 && frame[kCommandOffset] == kExtendedCommand &&
          frame[kExtendedSubCommandOffset] == kSubCmdCustomNameB)
        name = &frame[kExtendedPayloadOffset];
      if (name != nullptr) names.emplace_back(reinterpret_cast<const char*>(name));  // frames are zero-padded
    }
    return names;
  }

  // The name write test's numbered log lines, in order.
  std::vector<std::string> numberedLines() {
    static constexpr const char* kPrefixes[] = {"11111111111 ", "2222222222222 ", "33333333333333 ", "4444444444 "};
    std::vector<std::string> lines;
    const std::string text = log.text();
    for (std::size_t at = 0; at < text.size();) {
      const std::size_t end = std::min(text.find('\n', at), text.size() - 1) + 1;
      const std::string line = text.substr(at, end - at);
      for (const char* prefix : kPrefixes)
        if (line.starts_with(prefix)) lines.push_back(line);
      at = end;
    }
    return lines;
  }

  ModalCloser boxes;
  PageFrame* page = nullptr;
};

// The tests that hold for both models' pages alike.
class BothStatusPages : public StatusPageFixture, public ::testing::WithParamInterface<PageModel> {
 protected:
  VirtualConverter& addConverter(std::string name) { return StatusPageFixture::addConverter(GetParam(), name); }
  QLineEdit* nameField() { return field(GetParam().nameField); }
};

inline std::string modelName(const ::testing::TestParamInfo<PageModel>& info) { return info.param.word; }

inline const QString kDipSwitchText = QStringLiteral("Please set DIP switches to \"Controls-PC\".");

}  // namespace velkor::test
