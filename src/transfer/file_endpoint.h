// One file or directory on either side of a transfer behind one interface:
// DeviceFile reaches the device through RAPI, LocalFile the local disk
// through Win32. The copy engine reads from one and writes to the other
// without knowing which side is which.
#pragma once

#include "vbwin32.h"

// How a name constructor forms the endpoint's name.
enum EndpointNameMode {
    NameFull = 0,   // LocalFile: the full path of the name as given
    NameInDir = 2,  // the name joined to a base directory
};

// Size of the buffers in which the name constructors form a path.
enum { EndpointPathSize = 1024 };

class FileEndpoint {
public:
    FileEndpoint(void* name, int ownsName, HANDLE handle);
    virtual BOOL Delete() = 0;
    virtual BOOL RemoveDir() = 0;
    virtual int IsDir() = 0;
    virtual BOOL SetTimes(const FILETIME* creation, const FILETIME* lastAccess,
                          const FILETIME* lastWrite) = 0;
    virtual BOOL GetTimes(FILETIME* creation, FILETIME* lastAccess, FILETIME* lastWrite) = 0;
    virtual void Close();
    virtual BOOL Write(const void* buffer, DWORD count, DWORD* written) = 0;
    virtual BOOL Read(void* buffer, DWORD count, DWORD* read) = 0;
    // The low 32 bits of the open file's size.
    virtual DWORD Size() = 0;
    virtual ~FileEndpoint();
    // False when the open file is 4 GiB or larger, so that Size cannot hold
    // it; the engine then refuses the copy instead of truncating it.
    virtual bool SizeFits32Bits();

    // Removes nothing and answers 0 when Skip is 1; otherwise a directory
    // (when AllowDir is 1) goes through RemoveDir and anything else through
    // Delete.
    int RemoveEndpointItem(int allowDir, int skip);

    int OwnsName;
    void* Name;  // OEM text for LocalFile, UTF-16 for DeviceFile
    HANDLE Handle;

    FileEndpoint(const FileEndpoint&) = delete;
    FileEndpoint& operator=(const FileEndpoint&) = delete;
};

class DeviceFile : public FileEndpoint {
public:
    // Wraps an open RAPI handle; the name is borrowed and must stay valid.
    DeviceFile(HANDLE handle, const WCHAR* name);
    // NameInDir: the OEM name joined to the OEM base directory, converted
    // to UTF-16. Any other mode takes `name` as UTF-16 text, borrowed.
    DeviceFile(const char* name, int mode, const char* baseDir);

    BOOL Delete() override;
    BOOL RemoveDir() override;
    int IsDir() override;
    BOOL SetTimes(const FILETIME* creation, const FILETIME* lastAccess,
                  const FILETIME* lastWrite) override;
    BOOL GetTimes(FILETIME* creation, FILETIME* lastAccess, FILETIME* lastWrite) override;
    void Close() override;
    BOOL Write(const void* buffer, DWORD count, DWORD* written) override;
    BOOL Read(void* buffer, DWORD count, DWORD* read) override;
    DWORD Size() override;
    ~DeviceFile() override;

    const WCHAR* Path() const { return static_cast<const WCHAR*>(Name); }
};

class LocalFile : public FileEndpoint {
public:
    // Wraps an open Win32 handle; the name is borrowed and must stay valid.
    LocalFile(HANDLE handle, const char* name);
    // NameFull: the full path of `name`; NameInDir: the full path of `name`
    // joined to `baseDir`. Any other mode borrows `name` as it is.
    LocalFile(const char* name, int mode, const char* baseDir);

    BOOL Delete() override;
    BOOL RemoveDir() override;
    int IsDir() override;
    BOOL SetTimes(const FILETIME* creation, const FILETIME* lastAccess,
                  const FILETIME* lastWrite) override;
    BOOL GetTimes(FILETIME* creation, FILETIME* lastAccess, FILETIME* lastWrite) override;
    void Close() override;
    BOOL Write(const void* buffer, DWORD count, DWORD* written) override;
    BOOL Read(void* buffer, DWORD count, DWORD* read) override;
    DWORD Size() override;
    ~LocalFile() override;
    bool SizeFits32Bits() override;

    const char* Path() const { return static_cast<const char*>(Name); }
};
