#pragma once
// What panels and pages need of the main window, which publishes itself through
// `mainDialog` while it initialises: the device-state record. Declared here, below the
// windows that use it, so that no window reaches up to the main window's own header.

namespace velkor {

struct DeviceRecord;

class PageHost {
 public:
  virtual DeviceRecord& record() = 0;

 protected:
  ~PageHost() = default;
};

// The main window, for every panel and page; set while the main window initialises.
extern PageHost* mainDialog;

}  // namespace velkor
