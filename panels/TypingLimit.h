#pragma once

#include <QString>

class QLineEdit;

namespace velkor {

// Lets the operator type at most `characters` characters into the field, while a
// longer text that the program put there stays whole. As in a Windows edit field with
// a text limit: typed or pasted text replaces the selection and is cut to what still
// fits, possibly to nothing, so the text only grows while it is under the limit, and
// deleting is always possible. The characters in `refused` are left out of whatever is
// typed or pasted. Call it after the program has put its text in; a later setText
// counts as typing.
void limitTyping(QLineEdit& field, int characters, const QString& refused = {});

}  // namespace velkor
