#include "WindowsHid.h"

namespace velkor {

const WindowsHid& systemHid() {
  static const WindowsHid functions{
      ::HidD_GetHidGuid,    ::SetupDiGetClassDevsW,   ::SetupDiEnumDeviceInterfaces,
      ::SetupDiGetDeviceInterfaceDetailW, ::SetupDiGetDeviceRegistryPropertyW, ::SetupDiGetDevicePropertyW,
      ::SetupDiDestroyDeviceInfoList,     ::CreateFileW,         ::CloseHandle,
      ::HidD_GetAttributes, ::HidD_GetSerialNumberString, ::HidD_GetPreparsedData, ::HidP_GetCaps,
      ::HidD_FreePreparsedData,           ::HidD_FlushQueue,     ::WriteFile,
      ::ReadFile,           ::GetOverlappedResult,    ::CancelIoEx,
  };
  return functions;
}

}  // namespace velkor
