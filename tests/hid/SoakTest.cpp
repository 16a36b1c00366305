#include <malloc.h>

#include "ConverterFixture.h"

namespace velkor::test {
namespace {

// Bytes the allocator holds for the program; the sanitizers' allocator does not keep
// these books, and checks for leaks itself. Windows' C library tells by walking its heap.
std::size_t heapInUse() {
#if defined(__SANITIZE_ADDRESS__)
  return 0;
#elif defined(_WIN32)
  std::size_t used = 0;
  _HEAPINFO block{};
  while (_heapwalk(&block) == _HEAPOK)
    if (block._useflag == _USEDENTRY) used += block._size;
  return used;
#else
  return mallinfo2().uordblks;
#endif
}

TEST_F(ConverterFixture, TenThousandExchangesHoldNoMemoryOrHandles) {
  VirtualConverter& converter = addConverter(ConverterModel::TQ4410, "/dev/hidraw0", "Soak");
  scanAndSelect();
  setLogStream(nullptr);  // the log would grow on its own

  auto exchange = [&](int i) {
    switch (i % 4) {
      case 0:
        queryStatusA(record);
        break;
      case 1:
        sendCommandA(record, wire::kCmdOutputFormatA, static_cast<std::uint8_t>(i));
        break;
      case 2:
        record.customNameA = u"Soak " + std::u16string(static_cast<std::size_t>(i % 50), u'x');
        sendNameA(record);
        break;
      default:
        applySettingsA(record);
        break;
    }
    converter.forgetReceived();
  };

  for (int i = 0; i < 1000; ++i) exchange(i);  // settle caches and capacities
  const std::size_t before = heapInUse();
  for (int i = 0; i < 10000; ++i) exchange(i);
  const std::size_t after = heapInUse();

  EXPECT_EQ(transport.openHandles(), 1);
  EXPECT_TRUE(converter.pendingReplies().empty());
  EXPECT_LT(after, before + 16 * 1024) << "heap grew from " << before << " to " << after;
}

}  // namespace
}  // namespace velkor::test
