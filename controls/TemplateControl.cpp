#include "TemplateControl.h"

namespace velkor {

void replaceTemplateControl(QWidget* placeholder, QWidget& replacement) {
  QWidget* parent = placeholder->parentWidget();
  replacement.setParent(parent);
  replacement.setObjectName(placeholder->objectName());
  replacement.setGeometry(placeholder->geometry());
  replacement.stackUnder(placeholder);
  QWidget::setTabOrder(placeholder, &replacement);
  replacement.setVisible(!placeholder->isHidden());
  delete placeholder;
}

}  // namespace velkor
