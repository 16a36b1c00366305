#pragma once
// While it lives, closes every modal box that opens, and remembers what it said.

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

namespace velkor::test {

class ModalCloser {
 public:
  ModalCloser() {
    // Polls, since a box opens inside the call under test and blocks it.
    QObject::connect(&timer_, &QTimer::timeout, [this] { closeModal(); });
    timer_.start(10);
  }

  int closed() const { return closed_; }
  const QString& lastText() const { return text_; }
  const QString& lastInformativeText() const { return informativeText_; }
  const QString& lastTitle() const { return title_; }

 private:
  void closeModal() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr) return;
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      text_ = box->text();
      informativeText_ = box->informativeText();
      title_ = box->windowTitle();
    }
    ++closed_;
    modal->close();
  }

  QTimer timer_;
  int closed_ = 0;
  QString text_;
  QString informativeText_;
  QString title_;
};

}  // namespace velkor::test
