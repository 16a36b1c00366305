#pragma once
// What the two models' status pages share: the status query, the name write test,
// the name field with its "Save", the status texts and the colour rule. The pages
// differ only in their StatusPage::Model.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "DeviceRecord.h"
#include "PageFrame.h"

class QLineEdit;

namespace velkor {

class StatusPage : public PageFrame {
  Q_OBJECT

 public:
  struct Model {
    const char* endLine;
    std::span<const ControlSpec> controls;
    std::span<const ControlName> names;  // what a screen reader calls the controls

    int nameField;
    int saveButton;
    // The read-only fields, in the order statusTexts fills them.
    std::span<const int> statusFields;
    std::vector<std::string> (*statusTexts)(const DeviceRecord&);

    std::u16string DeviceRecord::*name;
    void (*queryStatus)(DeviceRecord&);
    void (*sendName)(DeviceRecord&);
    std::uint8_t statusReplyCode;

    // A converter that reports its model word as its name, or no name, shows the
    // product name.
    const char* modelWord;
    const char* productName;

    const char* enterLine;  // Enter in the name field
    // Lines that only one model writes; null where a model writes none.
    const char* noNameLine;  // the converter reported no name
    const char* namedLine;   // the converter reported a name
    const char* savedLine;   // "Save" has sent the name
    const char* readyLine;   // the page is initialised
  };

 protected:
  explicit StatusPage(const Model& model);

  void initialise() override;
  void enterSwallowed(QObject* target) override;

 private:
  std::u16string& name() const;
  // True when the converter answered the status query.
  bool queryStatus();
  void runNameWriteTest(bool firstQueryAnswered);
  void showName();
  void showStatus();
  void applyColourRule();
  void save();

  const Model& model_;
  QLineEdit* nameField_ = nullptr;
};

}  // namespace velkor
