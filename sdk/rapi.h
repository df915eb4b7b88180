// Our own declarations of the Windows CE Remote API (rapi.dll) as this
// project uses it: the records, constants and the twenty operations, all
// extern "C" and __stdcall, imported by name.
#pragma once

#include <stddef.h>

#include "vbwin32.h"

#ifdef _WIN32
#define RAPI_API __declspec(dllimport)
#else
#define RAPI_API
#endif

#ifdef VB_BUILDING_RAPI
#undef RAPI_API
#ifdef _WIN32
#define RAPI_API __declspec(dllexport)
#else
#define RAPI_API __attribute__((visibility("default")))
#endif
#endif

typedef struct _RAPIINIT {
    DWORD cbSize;
    HANDLE heRapiInit;
    HRESULT hrRapiInit;
} RAPIINIT;

typedef struct _CE_FIND_DATA {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwOID;
    WCHAR cFileName[MAX_PATH];
} CE_FIND_DATA, *LPCE_FIND_DATA;

// CeFindAllFiles: which fields to fill, and filters.
#define FAF_ATTRIBUTES 0x00000001u
#define FAF_CREATION_TIME 0x00000002u
#define FAF_LASTACCESS_TIME 0x00000004u
#define FAF_LASTWRITE_TIME 0x00000008u
#define FAF_SIZE_HIGH 0x00000010u
#define FAF_SIZE_LOW 0x00000020u
#define FAF_OID 0x00000040u
#define FAF_NAME 0x00000080u
#define FAF_ATTRIB_CHILDREN 0x00001000u
#define FAF_ATTRIB_NO_HIDDEN 0x00002000u
#define FAF_FOLDERS_ONLY 0x00004000u
#define FAF_NO_HIDDEN_SYS_ROMMODULES 0x00008000u

// Device attributes beyond the desktop's.
#define FILE_ATTRIBUTE_INROM 0x00000040u
#define FILE_ATTRIBUTE_ROMSTATICREF 0x00001000u
#define FILE_ATTRIBUTE_ROMMODULE 0x00002000u

#define CERAPI_E_ALREADYINITIALIZED ((HRESULT)0x80041001u)

#ifdef __cplusplus
extern "C" {
#endif

RAPI_API HRESULT WINAPI CeRapiInitEx(RAPIINIT* init);
RAPI_API HRESULT WINAPI CeRapiUninit(void);
RAPI_API HRESULT WINAPI CeRapiGetError(void);
RAPI_API DWORD WINAPI CeGetLastError(void);
RAPI_API HRESULT WINAPI CeRapiFreeBuffer(LPVOID buffer);
RAPI_API BOOL WINAPI CeFindAllFiles(LPCWSTR path, DWORD flags, LPDWORD foundCount,
                                    LPCE_FIND_DATA* findDataArray);
RAPI_API HANDLE WINAPI CeCreateFile(LPCWSTR fileName, DWORD desiredAccess, DWORD shareMode,
                                    LPSECURITY_ATTRIBUTES security, DWORD creationDisposition,
                                    DWORD flagsAndAttributes, HANDLE templateFile);
RAPI_API BOOL WINAPI CeReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read,
                                LPOVERLAPPED overlapped);
RAPI_API BOOL WINAPI CeWriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written,
                                 LPOVERLAPPED overlapped);
RAPI_API DWORD WINAPI CeGetFileSize(HANDLE file, LPDWORD sizeHigh);
RAPI_API BOOL WINAPI CeGetFileTime(HANDLE file, LPFILETIME creation, LPFILETIME lastAccess,
                                   LPFILETIME lastWrite);
RAPI_API BOOL WINAPI CeSetFileTime(HANDLE file, const FILETIME* creation,
                                   const FILETIME* lastAccess, const FILETIME* lastWrite);
RAPI_API BOOL WINAPI CeCloseHandle(HANDLE object);
RAPI_API BOOL WINAPI CeDeleteFile(LPCWSTR fileName);
RAPI_API BOOL WINAPI CeRemoveDirectory(LPCWSTR pathName);
RAPI_API DWORD WINAPI CeGetFileAttributes(LPCWSTR fileName);
RAPI_API BOOL WINAPI CeCreateDirectory(LPCWSTR pathName, LPSECURITY_ATTRIBUTES security);
RAPI_API BOOL WINAPI CeCopyFile(LPCWSTR existingFileName, LPCWSTR newFileName,
                                BOOL failIfExists);
RAPI_API BOOL WINAPI CeMoveFile(LPCWSTR existingFileName, LPCWSTR newFileName);
RAPI_API BOOL WINAPI CeCreateProcess(LPCWSTR applicationName, LPCWSTR commandLine,
                                     LPSECURITY_ATTRIBUTES processAttributes,
                                     LPSECURITY_ATTRIBUTES threadAttributes,
                                     BOOL inheritHandles, DWORD creationFlags,
                                     LPVOID environment, LPWSTR currentDirectory,
                                     LPSTARTUPINFOW startupInfo,
                                     LPPROCESS_INFORMATION processInformation);

#ifdef __cplusplus
}
#endif

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(RAPIINIT) == 12, "RAPIINIT layout");
static_assert(sizeof(CE_FIND_DATA) == 560, "CE_FIND_DATA layout");
static_assert(offsetof(CE_FIND_DATA, cFileName) == 40, "CE_FIND_DATA.cFileName");
#endif
