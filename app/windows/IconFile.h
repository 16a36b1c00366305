#pragma once
// A Windows icon file (.ico) holding pictures of several sizes, each stored as PNG,
// which Windows reads since Vista.

#include <QByteArray>
#include <QImage>
#include <QList>
#include <optional>

namespace velkor {

// The icon file of `pictures`, square and at most 256 pixels a side; nothing when one
// is not.
std::optional<QByteArray> iconFile(const QList<QImage>& pictures);

}  // namespace velkor
