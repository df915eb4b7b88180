// Scenarios of the transfer engine, in process: the emulated host started as
// usual, the module's own objects linked into the test and handed the host's
// start-up record, the emulated device with its link up. Jobs are built the
// way download and upload build theirs: both files opened, wrapped in
// endpoints, a CopyJob filled and handed to CopyFileJob.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "device_scenario.h"
#include "panel/panel_instance.h"
#include "transfer/copy_engine.h"

enum class Direction { Download, Upload };

// One prepared copy; owns its endpoints as the builder does.
struct PreparedCopy {
    Direction direction = Direction::Download;
    CopyJob job;
    FileEndpoint* source = nullptr;
    FileEndpoint* target = nullptr;
    vbdevice::DeviceString devicePath;  // borrowed by the DeviceFile
    std::string localPath;              // borrowed by the LocalFile
    std::string content;                // what the source holds
    std::vector<uint64_t> sourceTimes;  // as the source reports them

    ~PreparedCopy();
};

// What a progress dialog showed, noted when it closed.
struct DialogSeen {
    bool appeared = false;
    std::string title, sourceText, targetText;
    int starts = 0, progress = 0, done = 0, errors = 0;
    std::vector<std::pair<int, std::string>> texts;  // every DM_SETTEXT
    std::string LastText(int item) const;
};

class EngineScenario : public DeviceScenario {
protected:
    void SetUp() override;
    void TearDown() override;

    // The source file filled with `content` (then made `sparseSize` bytes
    // long, when that is not 0) and the target created empty, both open;
    // the source carries SourceTimes.
    std::unique_ptr<PreparedCopy> Prepare(Direction direction, const std::string& content,
                                          uint64_t sparseSize = 0);
    int Run(PreparedCopy& copy, int opMode = 0, int overwriteMode = 0);

    std::string LocalPath(const std::string& name) const;
    bool TargetExists(const PreparedCopy& copy);
    std::string TargetContent(const PreparedCopy& copy);
    // Creation, last access, last write of the target, read back from its side.
    std::vector<uint64_t> TargetTimes(const PreparedCopy& copy);
    // The target has the source's three times; a local target's creation
    // time only where the local disk keeps one (not under Wine).
    void ExpectSourceTimes(const PreparedCopy& copy);
    bool LocalKeepsCreationTime();

    // A dialog handler that lets the copy run and notes what it showed.
    vbhost::ScriptedUi::DialogHandler Watch(DialogSeen& seen);
    // Notes what a running dialog showed after it has closed.
    static void NoteClosed(vbhost::RunningDialog& dialog, DialogSeen& seen);

    std::vector<std::string> Trace();
    // Messages whose title is the error box's.
    std::vector<vbhost::MessageCall> ErrorBoxes();

    static const std::vector<uint64_t> SourceTimes;
};

// Bytes that differ from one position to the next, so that a lost, doubled
// or shifted chunk shows.
std::string PatternBytes(size_t size, unsigned seed = 1);

// The number of chunks a file of `size` bytes takes with the floor buffer.
unsigned FloorChunks(size_t size);

const char* DirectionName(Direction direction);
