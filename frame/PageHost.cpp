#include "PageHost.h"

namespace velkor {

PageHost* mainDialog = nullptr;

}  // namespace velkor
