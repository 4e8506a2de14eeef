// The engine's process-wide state: paths, section names, the two handles, the engine lock and the
// operations that set them up (InitializeAppVars and its helpers).
#include "engine/DetectionRecord.h"
#include "engine/LSPGlobals.h"
#include "platform/LastError.h"
#include "platform/ProductNames.h"
#include "platform/Registry.h"
#include "platform/Window.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

using namespace hookwise::platform;

char CLSPGlobals::szMsg[kFieldSize] = "";
char CLSPGlobals::szAppPath[kFieldSize] = "";
char CLSPGlobals::szDBPath[kFieldSize] = "";
char CLSPGlobals::szPMailPath[kFieldSize] = "";
char CLSPGlobals::szHostIPSec[16] = "HostIP";
char CLSPGlobals::szHostLinkSec[16] = "HostLink";
char CLSPGlobals::szUrlSec[16] = "Link";
char CLSPGlobals::szFromSec[16] = "From";
char CLSPGlobals::szSubjectSec[16] = "Subject";
char CLSPGlobals::szTextSec[16] = "Text";
HKEY CLSPGlobals::hAppRegKey = nullptr;
HWND CLSPGlobals::hMainWnd = nullptr;

namespace {

// Serialises InitializeAppVars. A std::mutex is constant-initialised, so it exists before any
// caller's first use.
std::mutex engineLock;

constexpr char kAppPathValue[] = "App Path";
constexpr char kDatabaseFile[] = "/hkwdb2.pbd";
constexpr char kWarningPageFile[] = "/hkwpm.htm";

// Forms szAppPath + fileName into path, which is still empty. A folder too long for the path is
// not cut into a wrong file name: path stays empty, so nothing is read from a wrong place.
template <std::size_t N> void FormPath(char (&path)[N], const char* fileName) {
    std::size_t folderLength = strnlen(CLSPGlobals::szAppPath, sizeof CLSPGlobals::szAppPath);
    std::size_t fileLength = std::strlen(fileName);
    if (folderLength + fileLength > N - 1)
        return;
    std::memcpy(path, CLSPGlobals::szAppPath, folderLength);
    std::memcpy(path + folderLength, fileName, fileLength + 1);
}

} // namespace

CLSPGlobals::CLSPGlobals() = default;
CLSPGlobals::CLSPGlobals(const CLSPGlobals&) = default;
CLSPGlobals& CLSPGlobals::operator=(const CLSPGlobals&) = default;
CLSPGlobals::~CLSPGlobals() = default;

bool CLSPGlobals::InitializeAppVars() {
    std::lock_guard lock(engineLock);
    bool result = true;
    try {
        if (!hAppRegKey)
            hAppRegKey = InitializeAppRegKey();
        if (!hAppRegKey)
            result = false;
        if (result && szAppPath[0] == '\0')
            CopyField(szAppPath, GetAppPath());
        if (result && szDBPath[0] == '\0')
            FormPath(szDBPath, kDatabaseFile);
        if (result && szPMailPath[0] == '\0')
            FormPath(szPMailPath, kWarningPageFile);
    } catch (...) {
        result = false; // nothing leaves the library as an exception
    }
    if (hAppRegKey)
        RegCloseKey(hAppRegKey);
    hAppRegKey = nullptr;
    GetMainWndHandle();
    return result;
}

HKEY CLSPGlobals::InitializeAppRegKey() {
    HKEY root = nullptr;
    if (!OwnerRegConnectRegistry(HKEY_CURRENT_USER, root))
        return nullptr;
    HKEY key = nullptr;
    if (!OwnerRegCreateKeyEx(root, kProductKeyPath, key))
        key = nullptr;
    RegCloseKey(root);
    return key;
}

char* CLSPGlobals::GetAppPath() {
    // Lives until this thread's next call; the one caller copies it at once.
    thread_local char buffer[kFieldSize];
    std::memset(buffer, 0, sizeof buffer);
    if (hAppRegKey && !OwnerRegQueryEncValueEx(hAppRegKey, "", kAppPathValue, buffer))
        std::memset(buffer, 0, sizeof buffer);
    return buffer;
}

HWND CLSPGlobals::GetMainWndHandle() {
    HWND window = nullptr;
    try {
        window = FindWindowA(nullptr, kHandlerCaption);
    } catch (...) {
        window = nullptr;
    }
    // Callers on other threads may look the window up at the same time.
    std::atomic_ref<HWND>(hMainWnd).store(window, std::memory_order_relaxed);
    return window;
}

void CLSPGlobals::DisplayError() {
    DWORD code = GetLastError();
    try {
        std::string text = SystemMessageText(code);
        std::fprintf(stderr, "%s\n", text.c_str());
    } catch (...) {
        std::fprintf(stderr, "Error %u.\n", static_cast<unsigned>(code));
    }
}
