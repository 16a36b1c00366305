#pragma once

#include <QString>
#include <QWidget>

namespace velkor {

// Skinned controls take over a control that a dialog template created (found by its
// id, which is its objectName) and stand in its place.

// The direct child of parent created for controlId, if it is of type Control.
template <class Control>
Control* findTemplateControl(QWidget* parent, int controlId) {
  return parent->findChild<Control*>(QString::number(controlId), Qt::FindDirectChildrenOnly);
}

// Puts replacement where placeholder is: same parent, geometry, id, visibility,
// stacking and tab order; then deletes the placeholder. The caller copies whatever
// else it needs from the placeholder (its caption) beforehand.
void replaceTemplateControl(QWidget* placeholder, QWidget& replacement);

}  // namespace velkor
