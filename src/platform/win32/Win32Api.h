#pragma once

// windows.h for the backend, without its macros that would rename the
// program's own functions (platform::CreateDirectory would become
// CreateDirectoryW here and stay CreateDirectory everywhere else).
#include <windows.h>

#undef CopyFile
#undef CreateDirectory
#undef DeleteFile
#undef MessageBox
#undef RemoveDirectory
#undef SetFileAttributes
