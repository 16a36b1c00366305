#pragma once
// The part of the main window that belongs to the converter in use: a row of tabs
// and the one page that is shown. The two models' containers differ only in their
// tables.

#include <QWidget>
#include <span>
#include <vector>

#include "DialogTemplate.h"
#include "PageFrame.h"

namespace velkor {

class CButtonST;

class PanelContainer : public QWidget {
  Q_OBJECT

 public:
  struct Tab {
    int buttonId;
    const char* name;  // the page, as a screen reader says it; the tab's picture shows it
    int normalImage;
    int selectedImage;
    PageFrame* (*createPage)();
  };
  struct Layout {
    std::span<const ControlSpec> controls;  // the container's template
    std::span<const Tab> tabs;
    int pagePlaceholderId;
    const char* endLine;  // logged when the container is gone
  };

  ~PanelContainer() override;

  template <typename Page>
  static PageFrame* makePage() {
    return new Page;
  }

  // Chooses tab `btnIndex` (1-based): rebuilds its page unless it is already chosen.
  void SelectTab(int btnIndex);
  PageFrame* currentPage() const { return curPage_; }
  QRect pageRect() const { return pageRect_; }

  static constexpr int kWidth = 590;
  static constexpr int kHeight = 500;

 protected:
  PanelContainer(QWidget* parent, const Layout& layout);

  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  const Layout& layout_;
  std::vector<CButtonST*> tabButtons_;
  std::vector<bool> tabSelected_;
  bool tabPressed_ = false;  // a tab is down: its click, not its toggle, opens the page
  PageFrame* curPage_ = nullptr;
  QRect pageRect_;
};

}  // namespace velkor
