#include "AccessibleNames.h"

#include <QLabel>

#include "Spellings.h"

namespace velkor {

void nameControls(QWidget& window, std::span<const ControlName> names) {
  const QList<QLabel*> labels = window.findChildren<QLabel*>();
  for (const ControlName& row : names) {
    QWidget* control = window.findChild<QWidget*>(QString::number(row.id));
    if (control == nullptr) continue;
    control->setAccessibleName(QString::fromStdString(spelling::corrected(row.label)));
    const QString shown = QString::fromUtf8(row.label);
    for (QLabel* label : labels) {
      if (label->text() != shown || label->buddy() != nullptr) continue;
      label->setBuddy(control);
      // A label with a buddy takes '&' for a mnemonic mark: doubled, it still shows.
      if (shown.contains('&')) label->setText(QString(shown).replace('&', QStringLiteral("&&")));
      break;
    }
  }
}

}  // namespace velkor
