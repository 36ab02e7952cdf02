// PowerShell reports a failed query in its first line of output: an RPC error
// when the server cannot be reached, a Get-WinEvent error when it answers but
// keeps no Local Session Manager events (not a terminal server).
#pragma once

#include "tsquery/raw_output.h"

namespace tav::tsquery {

enum class FirstLineFailure { None, Unreachable, NotTerminalServer };

// Looks at line 0 only: "RPC" means Unreachable (even if "Get-WinEvent" is
// there too), "Get-WinEvent" NotTerminalServer; an empty buffer is None.
FirstLineFailure CheckFirstLine(const RawOutputBuffer& buffer);

}  // namespace tav::tsquery
