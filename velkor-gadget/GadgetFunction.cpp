#include "GadgetFunction.h"

#include <sys/mount.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <thread>

namespace velkor::gadget {
namespace {

namespace fs = std::filesystem;

const fs::path kConfigfs = "/sys/kernel/config";
const fs::path kGadgets = kConfigfs / "usb_gadget";
const fs::path kControllers = "/sys/class/udc";
constexpr const char* kEnglishUs = "strings/0x409";
constexpr const char* kConfiguration = "configs/c.1";
constexpr const char* kFunction = "functions/hid.usb0";
constexpr std::uint16_t kUsb2 = 0x0200;
constexpr int kMaxPowerMilliamps = 100;
// How long the device node may take to appear after binding.
constexpr auto kNodeWait = std::chrono::seconds(3);

std::string hex4(std::uint16_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%04x", value);
  return text;
}

void writeFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.flush();
  if (!out) throw std::runtime_error("cannot write " + path.string() + ": " + std::strerror(errno));
}

std::string readFile(const fs::path& path) {
  std::ifstream in(path);
  std::string text;
  std::getline(in, text);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  return text;
}

void makeDirectory(const fs::path& path) {
  std::error_code error;
  fs::create_directory(path, error);
  if (error) throw std::runtime_error("cannot make " + path.string() + ": " + error.message());
}

void mountConfigfs() {
  if (fs::exists(kGadgets)) return;
  if (::mount("none", kConfigfs.c_str(), "configfs", 0, nullptr) != 0 && errno != EBUSY)
    throw std::runtime_error(std::string("cannot mount configfs: ") + std::strerror(errno));
  if (!fs::exists(kGadgets))
    throw std::runtime_error("no USB gadget support in configfs (is the libcomposite module loaded?)");
}

}  // namespace

std::vector<std::string> deviceControllers() {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(kControllers, error)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

GadgetFunction::GadgetFunction(std::string name, const UsbIdentity& identity, const HidFunctionSetup& hid,
                               std::string controller)
    : root_(kGadgets / name), controller_(std::move(controller)) {
  mountConfigfs();
  if (fs::exists(root_)) throw std::runtime_error("a gadget " + root_.string() + " exists already");
  makeDirectory(root_);
  try {
    writeFile(root_ / "idVendor", hex4(identity.ids.vendorId));
    writeFile(root_ / "idProduct", hex4(identity.ids.productId));
    writeFile(root_ / "bcdDevice", hex4(identity.bcdDevice));
    writeFile(root_ / "bcdUSB", hex4(kUsb2));
    makeDirectory(root_ / kEnglishUs);
    writeFile(root_ / kEnglishUs / "manufacturer", identity.manufacturer);
    writeFile(root_ / kEnglishUs / "product", identity.product);
    writeFile(root_ / kEnglishUs / "serialnumber", identity.serial);
    makeDirectory(root_ / kConfiguration);
    writeFile(root_ / kConfiguration / "MaxPower", std::to_string(kMaxPowerMilliamps));
    makeDirectory(root_ / kFunction);
    const fs::path function = root_ / kFunction;
    writeFile(function / "protocol", std::to_string(hid.protocol));
    writeFile(function / "subclass", std::to_string(hid.subclass));
    writeFile(function / "report_length", std::to_string(hid.reportLength));
    writeFile(function / "report_desc", std::string(hid.reportDescriptor.begin(), hid.reportDescriptor.end()));
    if (!hid.outEndpoint) writeFile(function / "no_out_endpoint", "1");
    std::error_code error;
    fs::create_symlink(function, root_ / kConfiguration / "hid.usb0", error);
    if (error) throw std::runtime_error("cannot add the HID function to the configuration: " + error.message());
    const std::string dev = readFile(function / "dev");  // "major:minor"
    devicePath_ = "/dev/hidg" + dev.substr(dev.find(':') + 1);
    bind();
  } catch (...) {
    remove();
    throw;
  }
}

GadgetFunction::~GadgetFunction() { remove(); }

void GadgetFunction::bind() {
  if (bound_) return;
  writeFile(root_ / "UDC", controller_);
  bound_ = true;
  const auto deadline = std::chrono::steady_clock::now() + kNodeWait;
  while (!fs::exists(devicePath_) && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  if (!fs::exists(devicePath_)) throw std::runtime_error(devicePath_ + " did not appear");
}

void GadgetFunction::unbind() {
  if (!bound_) return;
  writeFile(root_ / "UDC", "\n");
  bound_ = false;
}

void GadgetFunction::remove() {
  // Undo in the reverse order of making; each step may fail when making stopped early.
  std::error_code ignored;
  if (bound_) {
    std::ofstream(root_ / "UDC") << "\n";
    bound_ = false;
  }
  fs::remove(root_ / kConfiguration / "hid.usb0", ignored);
  fs::remove(root_ / kConfiguration, ignored);
  fs::remove(root_ / kFunction, ignored);
  fs::remove(root_ / kEnglishUs, ignored);
  fs::remove(root_, ignored);
}

}  // namespace velkor::gadget
