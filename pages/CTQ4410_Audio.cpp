#include "CTQ4410_Audio.h"

namespace velkor {

CTQ4410_Audio::CTQ4410_Audio() : PageFrame("PostNcDestroy 4410 audio \n", {}, Colours::SettingPage) {}

}  // namespace velkor
