#include "BoundList.h"

#include <QComboBox>

namespace velkor {

void fillList(QComboBox* list, std::span<const char* const> items, int value) {
  list->clear();
  for (const char* item : items) list->addItem(QString::fromUtf8(item));
  list->setCurrentIndex(value < list->count() ? value : -1);
}

void commitPicks(QComboBox* list, SettingByte setting, std::function<void()> afterChange) {
  // `activated` comes from the operator only, never from filling or selecting by code.
  QObject::connect(list, &QComboBox::activated, list, [setting, afterChange = std::move(afterChange)](int position) {
    setting.change(static_cast<std::uint8_t>(position));
    if (afterChange) afterChange();
  });
}

void bindList(QComboBox* list, std::span<const char* const> items, SettingByte setting,
              std::function<void()> afterChange) {
  fillList(list, items, setting.shown());
  commitPicks(list, setting, std::move(afterChange));
}

}  // namespace velkor
