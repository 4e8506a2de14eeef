// GetModuleFileNameA: the path of the running program or of a loaded library.
#pragma once

#include "platform/WinTypes.h"

#include <string>

constexpr DWORD ERROR_MOD_NOT_FOUND = 126;

// With module null: the program's path (/proc/self/exe). Otherwise `module` is any address inside
// a loaded library and the library's path is given (dladdr; an address in the program itself gives
// the program's path). Copies at most size-1 characters and a NUL; returns the characters copied,
// or 0 on failure (last error set: ERROR_MOD_NOT_FOUND for an address in no module). A path cut
// to fit sets the last error to ERROR_INSUFFICIENT_BUFFER, else it is ERROR_SUCCESS.
DWORD GetModuleFileNameA(HMODULE module, char* out, DWORD size);

// The folder part of a path, without its trailing '/': "/opt/hw/HookWs" gives "/opt/hw", a file
// in "/" gives "" (so FolderOf(p) + "/name" still names a file there), a bare name gives ".".
std::string FolderOf(const std::string& path);
