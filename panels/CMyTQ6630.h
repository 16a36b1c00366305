#pragma once

#include "PanelContainer.h"

namespace velkor {

// The TQ6630 panel: status, output, overlay and function tabs.
class CMyTQ6630 final : public PanelContainer {
  Q_OBJECT

 public:
  explicit CMyTQ6630(QWidget* parent);
};

}  // namespace velkor
