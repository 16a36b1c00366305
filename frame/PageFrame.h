#pragma once
// What all nine pages share: placement, background, colours, the Enter filter and
// the line each page leaves in the log when it ends.

#include <QWidget>
#include <span>

#include "AccessibleNames.h"
#include "DialogTemplate.h"

namespace velkor {

struct DeviceRecord;

class PageFrame : public QWidget {
  Q_OBJECT

 public:
  // Which colours the page's controls get.
  enum class Colours {
    SettingPage,  // grey labels on the base colour, dark text on white fields and lists
    OwnRule,      // the page sets its own (the status pages)
  };

  ~PageFrame() override;

  // Creates the page's window inside `container` from its template and initialises it;
  // the page may talk to the converter and show a message box meanwhile.
  void create(QWidget* container);
  // Hides the page, destroys its window and the page object with it.
  void destroyPage();

  static constexpr int kWidth = 500;
  static constexpr int kHeight = 360;

 protected:
  // `names`: what a screen reader calls the page's controls.
  PageFrame(const char* endLine, std::span<const ControlSpec> controls, Colours colours,
            std::span<const ControlName> names);

  // Runs once the controls exist, while the page is being created.
  virtual void initialise() {}
  // Enter pressed while `target` (the page or one of its controls) has the focus.
  virtual void enterSwallowed(QObject* target) { Q_UNUSED(target); }

  // The control with that template id.
  template <typename Widget>
  Widget* control(int id) const {
    return findChild<Widget*>(QString::number(id));
  }

  static DeviceRecord& record();

  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool isOwnWidget(QObject* object) const;
  static bool takesWheelOnlyWithFocus(const QWidget* control);
  void applyColours();

  const char* endLine_;
  std::span<const ControlSpec> controls_;
  std::span<const ControlName> names_;
  Colours colours_;
};

}  // namespace velkor
