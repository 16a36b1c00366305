#include "CTQ6630_Func.h"

namespace velkor {

CTQ6630_Func::CTQ6630_Func() : PageFrame("PostNcDestroy 6630 func \n", {}, Colours::SettingPage) {}

}  // namespace velkor
