#pragma once
// The setting pages inside the main window on virtual converters: device 1 is a
// TQ4410, device 3 a TQ6630. A test picks a panel, opens a page after setting up the
// record, and reads back what the converter received.

#include <QAbstractItemView>
#include <QComboBox>
#include <QSlider>
#include <QStyleOptionSlider>
#include <cstddef>
#include <functional>
#include <vector>

#include "AppFixture.h"
#include "PageFrame.h"
#include "WireFormat.h"

namespace velkor::test {

inline constexpr int kModelA = 1;  // device numbers
inline constexpr int kModelB = 3;

// Tab button ids.
inline constexpr int kFunctionTabA = 1020;
inline constexpr int kOutputTabA = 1017;
inline constexpr int kAudioTabA = 1018;
inline constexpr int kOverlayTabA = 1019;
inline constexpr int kFunctionTabB = 1074;
inline constexpr int kOutputTabB = 1072;
inline constexpr int kOverlayTabB = 1073;

// One request as the converter received it.
struct Request {
  int command;
  int value;
  bool operator==(const Request&) const = default;
};

inline void PrintTo(const Request& r, std::ostream* os) {
  *os << "{0x" << std::hex << r.command << std::dec << ", " << r.value << "}";
}

// A setting byte of the record: which model's blocks, and where in them.
struct Slot {
  int device;
  std::size_t offset;
};

class PagesFixture : public AppFixture {
 protected:
  void SetUp() override {
    addThreeConverters();
    openWindow();
    // Focus follows setFocus only in the active window; the wheel needs it.
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    scan();
  }

  // The panel of that device, freshly chosen unless it is already in use.
  void usePanel(int device) {
    if (device == device_) return;
    choose(device);
    device_ = device;
  }

  // Opens the page of tab `tabId` on device's panel afresh: via the function tab, so
  // that the page is rebuilt, then `prepare` sets up the record, then the page opens.
  PageFrame* openPage(int device, int tabId, const std::function<void(DeviceRecord&)>& prepare = {}) {
    usePanel(device);
    QTest::mouseClick(control<CButtonST>(window->panel(), device == kModelA ? kFunctionTabA : kFunctionTabB),
                      Qt::LeftButton);
    if (prepare) prepare(record());
    converter().forgetReceived();
    log.clear();
    QTest::mouseClick(control<CButtonST>(window->panel(), tabId), Qt::LeftButton);
    return window->panel()->currentPage();
  }

  DeviceRecord& record() { return window->record(); }
  VirtualConverter& converter() { return *transport.converters()[device_ - 1]; }

  static std::uint8_t& applyMode(DeviceRecord& r, int device) {
    return device == kModelA ? r.applyModeA : r.applyModeB;
  }
  static std::uint8_t& pending(DeviceRecord& r, Slot s) {
    return s.device == kModelA ? blockBytes(r.pendingA)[s.offset] : blockBytes(r.pendingB)[s.offset];
  }
  static std::uint8_t& current(DeviceRecord& r, Slot s) {
    return s.device == kModelA ? blockBytes(r.statusA)[s.offset] : blockBytes(r.statusB)[s.offset];
  }
  std::uint8_t pending(Slot s) { return pending(record(), s); }
  std::uint8_t current(Slot s) { return current(record(), s); }

  // The requests the converter in use received since the page opened.
  std::vector<Request> sent() {
    const std::size_t valueAt = device_ == kModelA ? wire::kBodyOffset : wire::kShortBValueOffset;
    std::vector<Request> requests;
    for (const auto& frame : converter().receivedFrames())
      requests.push_back({frame[wire::kCommandOffset], frame[valueAt]});
    return requests;
  }

  template <typename Widget = QWidget>
  Widget* pageControl(int id) {
    return control<Widget>(window->panel()->currentPage(), id);
  }

  // The operator opens the list and clicks item `row`.
  static void pick(QComboBox* list, int row) {
    list->showPopup();
    QAbstractItemView* view = list->view();
    const QModelIndex item = view->model()->index(row, 0);
    view->scrollTo(item);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(item).center());
  }

  // Where the slider's thumb is drawn for `value`.
  static QPoint thumbAt(QSlider* slider, int value) {
    QStyleOptionSlider option;
    option.initFrom(slider);
    option.orientation = slider->orientation();
    option.minimum = slider->minimum();
    option.maximum = slider->maximum();
    option.sliderPosition = value;
    option.sliderValue = value;
    option.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderHandle;
    return slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider).center();
  }

 private:
  int device_ = 0;
};

}  // namespace velkor::test
