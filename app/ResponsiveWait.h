#pragma once
// The window's way to wait for a converter: the blocking work runs on a thread of its
// own while the window goes on painting and answering the desktop, and the operator's
// input meanwhile is dropped, not queued into another request. A request to close the
// window waits for the work in flight.

#include <QObject>
#include <QPointer>
#include <functional>

class QWidget;

namespace velkor {

class ResponsiveWait final : public QObject {
 public:
  // Installs itself as the core's way to wait, for as long as it lives.
  explicit ResponsiveWait(QWidget& window);
  ~ResponsiveWait() override;
  ResponsiveWait(const ResponsiveWait&) = delete;
  ResponsiveWait& operator=(const ResponsiveWait&) = delete;

  void run(const std::function<void()>& work);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QPointer<QWidget> window_;
  bool waiting_ = false;
  bool closeRequested_ = false;
};

}  // namespace velkor
