#include "controller/link/com_port_names.h"

#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

using test_support::TempDir;

TEST(SerialDevicePath, TakesTheMappedDeviceElseTheTtyBelowThePortNumber) {
    TempDir dir;
    const std::string path = dir.file("Setting.ini");
    TempDir::writeFile(path, "[SYSTEM_SET]\r\nCOM1=/nowhere\r\n[ports]\r\ncom2=/dev/pts/7\r\n"
                             "COM3=\r\nCOM9 = /tmp/x y \r\n");
    EXPECT_EQ(controller::serialDevicePath(1, path), "/dev/ttyS0"); // key of another section
    EXPECT_EQ(controller::serialDevicePath(2, path), "/dev/pts/7");
    EXPECT_EQ(controller::serialDevicePath(3, path), "/dev/ttyS2"); // empty value
    EXPECT_EQ(controller::serialDevicePath(4, path), "/dev/ttyS3");
    EXPECT_EQ(controller::serialDevicePath(9, path), "/tmp/x y");
    EXPECT_EQ(controller::serialDevicePath(0, path), "/dev/ttyS-1");
    EXPECT_EQ(controller::serialDevicePath(INT_MIN, path), "/dev/ttyS-2147483649");
    EXPECT_EQ(controller::serialDevicePath(5, dir.file("missing.ini")), "/dev/ttyS4");
}

TEST(SerialDevicePath, KeepsUpTo255CharactersOfAMappedPath) {
    TempDir dir;
    const std::string path = dir.file("Setting.ini");
    const std::string device = "/" + std::string(254, 'd');
    TempDir::writeFile(path, "[Ports]\nCOM1=" + device + "\nCOM2=" + device + "xyz\n");
    EXPECT_EQ(controller::serialDevicePath(1, path), device);
    EXPECT_EQ(controller::serialDevicePath(2, path), device);
}

} // namespace
