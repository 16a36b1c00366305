#include "CTQ4410_Func.h"

namespace velkor {

CTQ4410_Func::CTQ4410_Func() : PageFrame("PostNcDestroy 4410 func \n", {}, Colours::SettingPage) {}

}  // namespace velkor
