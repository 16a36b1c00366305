#pragma once

#include <QDialog>

namespace velkor {

// The small About box, opened from the main window's background menu.
class CAboutDlg final : public QDialog {
  Q_OBJECT

 public:
  explicit CAboutDlg(QWidget* parent);

  // The text of the menu item that opens it.
  static QString menuText();
};

}  // namespace velkor
