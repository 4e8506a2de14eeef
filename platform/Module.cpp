// GetModuleFileNameA from /proc/self/exe and the dynamic loader's map, and FolderOf.
#include "platform/Module.h"

#include "platform/LastError.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

namespace {

bool ProgramPath(std::string* path) {
    char buffer[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer);
    if (length < 0) {
        SetLastError(Win32ErrorFromErrno(errno));
        return false;
    }
    if (static_cast<std::size_t>(length) >= sizeof buffer) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return false;
    }
    path->assign(buffer, static_cast<std::size_t>(length));
    return true;
}

bool LibraryPath(const void* address, std::string* path) {
    Dl_info info{};
    link_map* map = nullptr;
    if (dladdr1(address, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) == 0 ||
        map == nullptr) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return false;
    }
    // The program itself has an empty name in the loader's map.
    if (map->l_name == nullptr || map->l_name[0] == '\0')
        return ProgramPath(path);
    if (map->l_name[0] == '/') {
        *path = map->l_name;
        return true;
    }
    // A library loaded by a relative name: make it absolute as Windows would report it.
    char resolved[PATH_MAX];
    *path = realpath(map->l_name, resolved) != nullptr ? resolved : map->l_name;
    return true;
}

} // namespace

DWORD GetModuleFileNameA(HMODULE module, char* out, DWORD size) {
    if (out == nullptr || size == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::string path;
    bool found = module == nullptr ? ProgramPath(&path) : LibraryPath(module, &path);
    if (!found) {
        out[0] = '\0';
        return 0;
    }
    std::size_t copied = path.size() < size ? path.size() : size - 1;
    std::memcpy(out, path.data(), copied);
    out[copied] = '\0';
    SetLastError(copied < path.size() ? ERROR_INSUFFICIENT_BUFFER : ERROR_SUCCESS);
    return static_cast<DWORD>(copied);
}

std::string FolderOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    std::string folder = path.substr(0, slash);
    while (!folder.empty() && folder.back() == '/')
        folder.pop_back();
    return folder;
}
