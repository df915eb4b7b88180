// Scenarios with the emulated device: a storage folder and a local folder of
// the test's own, the host's left panel on the local folder, and the checks
// that nothing of the device was left open.
#pragma once

#include <string>
#include <vector>

#include "device_control.h"
#include "scenario.h"

class DeviceScenario : public Scenario {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the host with the local folder in the active panel.
    vbhost::Host& StartWithLocalPanel();
    // Starts the host and opens the device from the disks menu; fails the
    // test when no panel opens.
    vbhost::Host& OpenDevice();
    HANDLE DevicePanel() { return Host().Active().handle; }

    // Fixtures on the device, by device path ("\A\b.txt").
    void MakeDeviceDir(const std::string& path);
    void MakeDeviceFile(const std::string& path, const std::string& content);
    bool DeviceEntryExists(const std::string& path);
    std::string DeviceFileContent(const std::string& path);

    // Console input as the terminal would deliver it.
    void PressConsoleKey(WORD key, bool down = true);

    // The module's texts, from its English language file.
    std::string Text(int message);

    // Messages with the given title, in order.
    std::vector<vbhost::MessageCall> MessagesTitled(const std::string& title);

    std::string storage_;
    std::string local_;
};

vbdevice::DeviceString Wide(const std::string& ascii);
