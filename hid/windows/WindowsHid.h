#pragma once
// The SetupAPI, hid.dll and device file functions the SetupAPI transport calls, as one
// table: the product hands it the system's own, the transport's tests a double of them
// backed by virtual converters. Events and mutexes are the system's in both.

// windows.h first: the HID and SetupAPI headers build on its types.
#include <windows.h>

#include <setupapi.h>
extern "C" {  // mingw's HID headers lack C linkage of their own
#include <hidsdi.h>
}

namespace velkor {

struct WindowsHid {
  decltype(&::HidD_GetHidGuid) getHidGuid;
  decltype(&::SetupDiGetClassDevsW) getClassDevices;
  decltype(&::SetupDiEnumDeviceInterfaces) enumInterfaces;
  decltype(&::SetupDiGetDeviceInterfaceDetailW) interfaceDetail;
  decltype(&::SetupDiGetDeviceRegistryPropertyW) registryProperty;
  decltype(&::SetupDiGetDevicePropertyW) deviceProperty;
  decltype(&::SetupDiDestroyDeviceInfoList) destroyList;

  decltype(&::CreateFileW) openDevice;
  decltype(&::CloseHandle) closeDevice;
  decltype(&::HidD_GetAttributes) getAttributes;
  decltype(&::HidD_GetSerialNumberString) getSerialNumber;
  decltype(&::HidD_GetPreparsedData) getPreparsedData;
  decltype(&::HidP_GetCaps) getCaps;
  decltype(&::HidD_FreePreparsedData) freePreparsedData;
  decltype(&::HidD_FlushQueue) flushQueue;
  decltype(&::WriteFile) writeFile;
  decltype(&::ReadFile) readFile;
  decltype(&::GetOverlappedResult) overlappedResult;
  decltype(&::CancelIoEx) cancelIo;
};

// The system's own functions.
const WindowsHid& systemHid();

}  // namespace velkor
