#pragma once

#include "../ErrorCodes.h"

namespace platform::win32 {

// GetLastError as the program reports it: the Windows number itself, but for
// the few that the program's callers know under another one.
ErrorCode LastError();
ErrorCode FromWin32(unsigned long error);

// The old framework's CFileException cause for a Windows error.
int FileCauseOf(unsigned long error);

}  // namespace platform::win32
