// Control interface of the emulated device, for tests and the terminal host.
//
// The device is the RAPI library itself (sdk/rapi.h); these functions steer
// it from the side: where its storage lives, how the link comes up, which
// calls fail, and what the tests want to count. None of them goes over the
// link: they work whatever the link's state, count no calls and leave the
// calling thread's CeGetLastError/CeRapiGetError alone.
//
// Device behaviour worth knowing when writing tests against it:
// - CeFindAllFiles lists entries sorted by name without regard to case
//   (ties by the exact name), returns a null array for a count of 0, and
//   fails with ERROR_PATH_NOT_FOUND when the directory does not exist.
// - A successful call sets CeGetLastError to 0, except CeCreateFile with
//   CREATE_ALWAYS or OPEN_ALWAYS on an existing file, which sets
//   ERROR_ALREADY_EXISTS as Win32 does.
// - A call while the link is not up fails with device error
//   ERROR_NOT_CONNECTED and CeRapiGetError 0; after the link dropped, with
//   CeRapiGetError E_FAIL and device error 0.
// - A path not starting with a backslash is ERROR_INVALID_NAME; an empty
//   path is ERROR_PATH_NOT_FOUND; "." and ".." are invalid names (the device
//   has no relative paths).
// - CeRapiInitEx takes cbSize == sizeof(RAPIINIT) (12 on the 32-bit build).
//   It writes hrRapiInit only before it returns, never later: the delayed
//   start reports S_OK at once and signals the event when the delay has
//   passed, so an abandoned caller's record is never written to; a start
//   that never signals leaves hrRapiInit as it was.
// - CeRemoveDirectory of a file fails with ERROR_DIRECTORY (267), as Win32.
// - CeFindAllFiles filters: FAF_ATTRIB_NO_HIDDEN leaves out hidden entries,
//   FAF_FOLDERS_ONLY files, FAF_NO_HIDDEN_SYS_ROMMODULES ROM modules that
//   are hidden or system, FAF_ATTRIB_CHILDREN all but directories that hold
//   entries.
// - The storage folder's root holds the device's metadata file,
//   ".vbdevice-metadata", which the device neither lists nor lets anyone
//   open (ERROR_ACCESS_DENIED).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "rapi.h"

namespace vbdevice {

using DeviceString = std::basic_string<WCHAR>;

// The twenty operations, for call counters and fault injection; named as
// the functions are (scoped, so Win32's A/W macros never touch them).
enum class Operation {
    CeRapiInitEx,
    CeRapiUninit,
    CeRapiGetError,
    CeGetLastError,
    CeRapiFreeBuffer,
    CeFindAllFiles,
    CeCreateFile,
    CeReadFile,
    CeWriteFile,
    CeGetFileSize,
    CeGetFileTime,
    CeSetFileTime,
    CeCloseHandle,
    CeDeleteFile,
    CeRemoveDirectory,
    CeGetFileAttributes,
    CeCreateDirectory,
    CeCopyFile,
    CeMoveFile,
    CeCreateProcess,
};
constexpr int kOperationCount = 20;

// ---- Storage ---------------------------------------------------------------

// Points the device at a folder of the local disk that holds its storage
// (created when missing). Closes every open device handle; the attributes
// and times kept for the folder are loaded from its metadata file.
RAPI_API void SetStorageFolder(const std::filesystem::path& folder);
RAPI_API std::filesystem::path StorageFolder();

// Where a device path lives on the local disk, resolved without regard to
// case as the device does; empty when the path is invalid or its parent
// directory does not exist. For a missing final entry, the path it would get.
RAPI_API std::filesystem::path DiskPathOf(const WCHAR* devicePath);

// Back to the start: link down and not initialized, connection model
// Immediate, link model off, every fault, limit and the gate cleared (a held
// read is let through), counters at 0, open handles closed, outstanding find
// buffers freed, launched programs forgotten. The storage folder stays.
RAPI_API void Reset();

// Reads VANTELBROOK_DEVICE_STORAGE, VANTELBROOK_DEVICE_CONNECT and
// VANTELBROOK_DEVICE_LINK and applies those that are set. Done once on the
// library's first use; callable again. Unparsable values are reported on
// stderr and ignored.
RAPI_API void ConfigureFromEnvironment();

// ---- Connection ------------------------------------------------------------

enum class ConnectMode {
    Immediate,    // the event is signalled inside CeRapiInitEx, hrRapiInit S_OK
    Delayed,      // signalled after delayMs from a thread of the library, S_OK
    FailSignal,   // signalled at once with hrRapiInit E_FAIL
    FailStart,    // CeRapiInitEx itself returns E_FAIL and gives no event
    NeverSignal,  // no device attached: the event is never signalled
};

struct ConnectionModel {
    ConnectMode mode = ConnectMode::Immediate;
    unsigned delayMs = 0;
};

// Applies to the next CeRapiInitEx.
RAPI_API void SetConnectionModel(const ConnectionModel& model);
// "now", "delay:<ms>", "fail", "fail-start", "never". False when unparsable.
RAPI_API bool ParseConnectionModel(const std::string& text, ConnectionModel* model);

RAPI_API bool IsLinkUp();
// Drops the link now, as a fault at the next call would.
RAPI_API void DropLink();

// ---- Link model --------------------------------------------------------------

// Off when both are 0. Every call that reaches the device sleeps latencyMs;
// reads and writes also sleep bytes / bytesPerSecond. Never with a lock held.
struct LinkModel {
    unsigned latencyMs = 0;
    std::uint64_t bytesPerSecond = 0;
};
RAPI_API void SetLinkModel(const LinkModel& model);
// "latency=20,bandwidth=3000000" (either part may be left out), or "off".
RAPI_API bool ParseLinkModel(const std::string& text, LinkModel* model);

// ---- Counters ----------------------------------------------------------------

RAPI_API std::size_t OpenHandleCount();        // device file handles not closed
RAPI_API std::size_t OutstandingBufferCount(); // CeFindAllFiles arrays not freed
// Calls of the operation since the last Reset/ResetCallCounts, whatever their
// outcome.
RAPI_API std::uint64_t CallCount(Operation operation);
RAPI_API void ResetCallCounts();

// ---- Faults --------------------------------------------------------------------

constexpr DWORD kNoLimit = 0xFFFFFFFFu;
constexpr std::uint64_t kUnlimitedCapacity = UINT64_MAX;

// The nth call from now (1 = the next) of the operation fails with the
// device error, once. Only calls that reach the device count: those of
// CeFindAllFiles .. CeCreateProcess while the link is up. A later call for the
// same operation replaces an armed one.
RAPI_API void FailCall(Operation operation, unsigned nth, DWORD deviceError);
// The nth call from now of any operation that reaches the device drops the
// link: it and every later call fail with CeRapiGetError E_FAIL until
// CeRapiUninit and a successful CeRapiInitEx.
RAPI_API void DropLinkAtCall(unsigned nth);
// A read returns at most maxBytes (0: every read reports the end of file).
RAPI_API void SetReadLimit(DWORD maxBytes);
// A write writes at most maxBytes; with 0, every write writes nothing and
// fails with ERROR_DISK_FULL.
RAPI_API void SetWriteLimit(DWORD maxBytes);
// Total bytes of file contents the device holds; a write or copy that would
// go beyond fails with ERROR_DISK_FULL (a write keeps the part that fits).
RAPI_API void SetCapacity(std::uint64_t bytes);
RAPI_API std::uint64_t UsedBytes();
// Clears the armed call faults, the drop, the limits and the capacity.
RAPI_API void ClearFaults();

// ---- The read gate -------------------------------------------------------------

// The nth CeReadFile from now (1 = the next) is held, before it reads, until
// ReleaseReadGate. Other threads' calls go on meanwhile.
RAPI_API void ArmReadGate(unsigned nth = 1);
// Blocks until a read is held at the gate, or the timeout passes; true when
// one is held.
RAPI_API bool WaitForHeldRead(unsigned timeoutMs = 30000);
// Lets the held read go on (it then reads as usual, or fails if the link
// dropped meanwhile) and disarms the gate; later reads pass. Disarms an
// armed gate that holds nothing yet, too.
RAPI_API void ReleaseReadGate();
RAPI_API bool ReadIsHeld();

// ---- Launched programs -----------------------------------------------------------

// Device paths of the programs CeCreateProcess started, in order, spelled as
// the caller gave them (".exe" appended when the name had no extension).
RAPI_API std::vector<DeviceString> LaunchedPrograms();
RAPI_API void ClearLaunchedPrograms();

// ---- Entries ---------------------------------------------------------------------

struct EntryInfo {
    DWORD attributes = 0;  // DIRECTORY as the disk says; NORMAL for a file with none
    FILETIME creation{};
    FILETIME lastAccess{};
    FILETIME lastWrite{};
    std::uint64_t size = 0;
};

// Set the attributes (DIRECTORY is taken from the disk and ignored here) or
// the three times of an existing entry, as a fixture needs them: read-only
// files, in-ROM files, TEMPORARY folders. Persisted like the device's own
// changes. False when the path does not name an existing entry.
RAPI_API bool SetEntryAttributes(const WCHAR* devicePath, DWORD attributes);
RAPI_API bool SetEntryTimes(const WCHAR* devicePath, const FILETIME& creation,
                            const FILETIME& lastAccess, const FILETIME& lastWrite);
RAPI_API bool GetEntryInfo(const WCHAR* devicePath, EntryInfo* info);

// FILETIME helpers for tests.
RAPI_API FILETIME MakeFileTime(std::uint64_t ticks);  // 100 ns since 1601
RAPI_API std::uint64_t FileTimeTicks(const FILETIME& time);

}  // namespace vbdevice
