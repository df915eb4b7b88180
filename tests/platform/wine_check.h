// Where the Windows build of the tests runs: Wine stands in for Windows, and
// a few of its differences from Windows are known and stated by the tests
// that meet them.
#pragma once

#ifdef _WIN32

namespace vbtest {

// True under Wine (its ntdll exports wine_get_version).
bool UnderWine();
// True under Wine run by root: Wine leaves the checks of a file's read-only
// state to the Unix permissions, which root passes.
bool UnderWineAsRoot();

}  // namespace vbtest

#endif
