#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "serial/PortNames.h"
#include "support/TempDir.h"

namespace lirosa {
namespace {

namespace fs = std::filesystem;

// A small sysfs and /dev laid out the way the kernel and udev lay them out:
// class/tty/<name> links into devices/, whose `device` link leads to the
// hardware; USB strings sit on the USB device above the interface.
class PortNamesTest : public ::testing::Test {
 protected:
  fs::path Sys() const { return dir.path() / "sys"; }
  fs::path Dev() const { return dir.path() / "dev"; }

  static void WriteFile(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << text;
  }

  // Registers tty `name` at devices/<ttyDir>, with its `device` link to
  // devices/<hardware> ("" for none), and a node in /dev when `node`.
  void AddTty(const std::string& name, const std::string& ttyDir, const std::string& hardware,
              bool node = true) {
    const fs::path tty = Sys() / "devices" / ttyDir;
    fs::create_directories(tty);
    fs::create_directories(Sys() / "class" / "tty");
    fs::create_symlink(fs::relative(tty, Sys() / "class" / "tty"), Sys() / "class" / "tty" / name);
    if (!hardware.empty()) {
      const fs::path device = Sys() / "devices" / hardware;
      fs::create_directories(device);
      fs::create_symlink(fs::relative(device, tty), tty / "device");
    }
    if (node) WriteFile(Dev() / name, "");
  }

  void AddUart(const std::string& name, const std::string& type) {
    AddTty(name, "platform/serial8250/tty/" + name, "platform/serial8250");
    WriteFile(Sys() / "devices/platform/serial8250/tty" / name / "type", type + "\n");
  }

  static void Describe(const fs::path& usb, const std::string& maker, const std::string& product,
                       const std::string& ids) {
    if (!maker.empty()) WriteFile(usb / "manufacturer", maker + "\n");
    if (!product.empty()) WriteFile(usb / "product", product + "\n");
    WriteFile(usb / "idVendor", ids.substr(0, 4) + "\n");
    WriteFile(usb / "idProduct", ids.substr(5) + "\n");
    WriteFile(usb / "serial", "A1B2C3\n");
  }

  // A usb-serial converter: tty under the port, the port under the interface.
  void AddUsbSerial(const std::string& name, const std::string& usbDevice, bool node = true) {
    const std::string port = "pci0000:00/usb1/" + usbDevice + "/" + usbDevice + ":1.0/" + name;
    AddTty(name, port + "/tty/" + name, port, node);
  }

  // A CDC-ACM modem: tty directly under the interface.
  void AddAcm(const std::string& name, const std::string& usbDevice) {
    const std::string interface = "pci0000:00/usb1/" + usbDevice + "/" + usbDevice + ":1.0";
    AddTty(name, interface + "/tty/" + name, interface);
  }

  void AddStableName(const std::string& link, const std::string& name) {
    fs::create_directories(Dev() / "serial/by-id");
    fs::create_symlink("../../" + name, Dev() / "serial/by-id" / link);
  }

  std::vector<ListEntry> List() const { return ListSerialDevices(Sys().string(), Dev().string()); }
  std::string DevPath(const std::string& name) const { return (Dev() / name).string(); }

  test::TempDir dir;
};

TEST_F(PortNamesTest, ListsRealSerialDevicesInNameOrderWithUsbDescriptions) {
  const fs::path usb = Sys() / "devices/pci0000:00/usb1";
  AddUsbSerial("ttyUSB0", "1-1");
  Describe(usb / "1-1", "Acme", "Acme Serial Bridge", "0403:6001");
  AddStableName("usb-Acme_Acme_Serial_Bridge_A1B2C3-if00-port0", "ttyUSB0");
  AddUsbSerial("ttyUSB10", "1-3");
  Describe(usb / "1-3", "", "", "1a86:7523");
  AddUsbSerial("ttyUSB2", "1-4");
  Describe(usb / "1-4", "", "Bare Product", "10c4:ea60");
  AddAcm("ttyACM0", "1-2");
  Describe(usb / "1-2", "Nimbus", "Board Rev B", "2e8a:000a");
  AddTty("ttyAMA0", "platform/fe201000.serial/tty/ttyAMA0", "platform/fe201000.serial");
  AddUart("ttyS20", "4");

  const std::vector<ListEntry> expected = {
      {DevPath("ttyACM0"), "Board Rev B (Nimbus), S/N A1B2C3", "ttyACM0"},
      {DevPath("ttyAMA0"), "", "ttyAMA0"},
      {DevPath("ttyS20"), "", "ttyS20"},
      {DevPath("serial/by-id/usb-Acme_Acme_Serial_Bridge_A1B2C3-if00-port0"),
       "Acme Serial Bridge (Acme), S/N A1B2C3", "ttyUSB0"},
      {DevPath("ttyUSB2"), "Bare Product, S/N A1B2C3", "ttyUSB2"},
      {DevPath("ttyUSB10"), "USB 1a86:7523, S/N A1B2C3", "ttyUSB10"},
  };
  EXPECT_EQ(List(), expected);
}

TEST_F(PortNamesTest, LeavesOutVirtualTtysEmptyUartsComPortsAndMissingNodes) {
  AddTty("tty0", "virtual/tty/tty0", "");
  AddTty("ptmx", "virtual/tty/ptmx", "");
  AddTty("ttyprintk", "virtual/tty/ttyprintk", "virtual/misc/printk");
  AddUart("ttyS0", "4");   // COM1 stands for it
  AddUart("ttyS19", "4");  // COM20
  AddUart("ttyS21", "0");  // no UART behind it
  AddUart("ttyS22", "1");
  AddUsbSerial("ttyUSB3", "1-5", /*node=*/false);

  const std::vector<ListEntry> expected = {{DevPath("ttyS22"), "", "ttyS22"}};
  EXPECT_EQ(List(), expected);
}

TEST_F(PortNamesTest, TheSmallestStableNameWinsAndBrokenLinksAreIgnored) {
  AddUsbSerial("ttyUSB0", "1-1");
  AddStableName("usb-B-port0", "ttyUSB0");
  AddStableName("usb-A-port0", "ttyUSB0");
  AddStableName("usb-Gone-port0", "ttyUSB7");
  AddTty("ttyUSB9", "pci0000:00/usb1/1-9/1-9:1.0/ttyUSB9/tty/ttyUSB9", "");
  fs::create_symlink("../../../gone",
                     Sys() / "devices/pci0000:00/usb1/1-9/1-9:1.0/ttyUSB9/tty/ttyUSB9/device");

  const std::vector<ListEntry> expected = {{DevPath("serial/by-id/usb-A-port0"), "", "ttyUSB0"}};
  EXPECT_EQ(List(), expected);
  EXPECT_EQ(List(), expected) << "the same machine lists the same way twice";
}

TEST_F(PortNamesTest, DevicesThatComeAndGoChangeTheNextListing) {
  AddUsbSerial("ttyUSB0", "1-1");
  ASSERT_EQ(List().size(), 1u);
  // Plugged in: the kernel registers the tty, udev makes the nodes.
  AddUsbSerial("ttyUSB1", "1-2");
  AddStableName("usb-Second-port0", "ttyUSB1");
  std::vector<ListEntry> listed = List();
  ASSERT_EQ(listed.size(), 2u);
  EXPECT_EQ(listed[1].text, DevPath("serial/by-id/usb-Second-port0"));
  EXPECT_EQ(StableNameOf(DevPath("ttyUSB1"), Dev().string()), listed[1].text);
  EXPECT_EQ(StableNameOf(DevPath("ttyUSB0"), Dev().string()), "");
  // Unplugged: the node goes first, the sysfs entry after it.
  fs::remove(Dev() / "ttyUSB0");
  listed = List();
  ASSERT_EQ(listed.size(), 1u);
  EXPECT_EQ(listed[0].shortName, "ttyUSB1");
}

TEST_F(PortNamesTest, TheActiveConsoleIsNeverListed) {
  AddUsbSerial("ttyUSB0", "1-1");
  AddAcm("ttyACM0", "1-2");
  WriteFile(Sys() / "class/tty/console/active", "tty0 ttyUSB0\n");
  const std::vector<ListEntry> listed = List();
  ASSERT_EQ(listed.size(), 1u);
  EXPECT_EQ(listed[0].text, DevPath("ttyACM0"));
}

TEST_F(PortNamesTest, MissingFoldersGiveAnEmptyList) {
  EXPECT_TRUE(List().empty());
  EXPECT_TRUE(ListSerialDevices((dir.path() / "absent").string(), "/nonexistent").empty());
}

}  // namespace
}  // namespace lirosa
