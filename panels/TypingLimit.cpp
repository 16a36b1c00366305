#include "TypingLimit.h"

#include <QLineEdit>
#include <algorithm>

namespace velkor {

namespace {

// QLineEdit cuts its text to maxLength, so the length allowed follows a longer text
// down instead of cutting it.
void followText(QLineEdit& field, int characters) {
  const int allowed = std::max(characters, static_cast<int>(field.text().size()));
  if (field.maxLength() == allowed) return;
  // A new maxLength puts the cursor at the end; the operator is editing where it was.
  const int cursor = field.cursorPosition();
  field.setMaxLength(allowed);
  field.setCursorPosition(cursor);
}

}  // namespace

void limitTyping(QLineEdit& field, int characters) {
  followText(field, characters);
  QObject::connect(&field, &QLineEdit::textEdited, &field, [&field, characters] { followText(field, characters); });
}

}  // namespace velkor
