#include "IconFile.h"

#include <QBuffer>
#include <QDataStream>

namespace velkor {

namespace {

// ICONDIR and ICONDIRENTRY, little-endian.
constexpr quint16 kIconResourceType = 1;
constexpr int kHeaderBytes = 6;
constexpr int kEntryBytes = 16;
constexpr int kLargestSide = 256;  // written as 0: a byte holds 255 at most
constexpr quint16 kPlanes = 1;
constexpr quint16 kBitsPerPixel = 32;

std::optional<QByteArray> png(const QImage& picture) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!picture.convertToFormat(QImage::Format_ARGB32).save(&buffer, "PNG")) return std::nullopt;
  return bytes;
}

}  // namespace

std::optional<QByteArray> iconFile(const QList<QImage>& pictures) {
  QList<QByteArray> pngs;
  for (const QImage& picture : pictures) {
    if (picture.width() != picture.height() || picture.width() < 1 || picture.width() > kLargestSide)
      return std::nullopt;
    std::optional<QByteArray> encoded = png(picture);
    if (!encoded) return std::nullopt;
    pngs << *encoded;
  }

  QByteArray file;
  QDataStream out(&file, QIODevice::WriteOnly);
  out.setByteOrder(QDataStream::LittleEndian);
  out << quint16(0) << kIconResourceType << quint16(pictures.size());
  quint32 offset = kHeaderBytes + kEntryBytes * pictures.size();
  for (qsizetype i = 0; i < pictures.size(); ++i) {
    const quint8 side = static_cast<quint8>(pictures[i].width() % kLargestSide);
    out << side << side << quint8(0) << quint8(0) << kPlanes << kBitsPerPixel << quint32(pngs[i].size()) << offset;
    offset += pngs[i].size();
  }
  for (const QByteArray& encoded : pngs) out.writeRawData(encoded.constData(), encoded.size());
  if (out.status() != QDataStream::Ok) return std::nullopt;
  return file;
}

}  // namespace velkor
