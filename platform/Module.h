// GetModuleFileNameA: the path of the running program or of a loaded library.
#pragma once

#include "platform/WinTypes.h"

#include <string>

// With module null: the program's path (/proc/self/exe). Otherwise `module` is any address inside
// a loaded library and the library's path is given (dladdr). Copies at most size-1 characters and
// a NUL; returns the characters copied, or 0 on failure (last error set).
DWORD GetModuleFileNameA(HMODULE module, char* out, DWORD size);

// The folder part of a path, without its trailing '/'.
std::string FolderOf(const std::string& path);
