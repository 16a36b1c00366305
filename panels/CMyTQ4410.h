#pragma once

#include "PanelContainer.h"

namespace velkor {

// The TQ4410 panel: status, output, audio, overlay and function tabs.
class CMyTQ4410 final : public PanelContainer {
  Q_OBJECT

 public:
  explicit CMyTQ4410(QWidget* parent);
};

}  // namespace velkor
