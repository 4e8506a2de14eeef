// The in-process server of HTMLSourceParser: its registration entries in the registry store, its
// class factory and the object and lock counts that decide whether the library may be unloaded.
//
// Sections: counts, class factory, registration entries, exports.
#include "inspector/Registration.h"

#include "inspector/HTMLSourceParser.h"
#include "inspector/ServerObjects.h"
#include "platform/Module.h"
#include "platform/Registry.h"

#include <atomic>
#include <cstring>
#include <new>
#include <string>

// ---- class factory ----

namespace {

// One factory for the life of the library; its references do not keep the server loaded, only
// LockServer does.
class HTMLSourceParserFactory final : public IClassFactory {
public:
    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (iid != IID_IClassFactory && iid != IID_IUnknown)
            return E_NOINTERFACE;
        *object = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }

    HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        auto* parser = new (std::nothrow) HTMLSourceParser();
        if (!parser)
            return E_OUTOFMEMORY;
        // The query takes the first reference; a refused query leaves none and frees the object.
        parser->AddRef();
        HRESULT hr = parser->QueryInterface(iid, object);
        parser->Release();
        return hr;
    }
    HRESULT LockServer(BOOL lock) override {
        if (lock)
            IncrementServerLocks();
        else
            DecrementServerLocks();
        return S_OK;
    }
};

HTMLSourceParserFactory gFactory;

} // namespace

// ---- registration entries ----

namespace {

// One value to write; a null name is the key's default value, a null data only creates the key.
struct RegistrationValue {
    HKEY root;
    const char* path;
    const char* name;
    const char* data;
};

constexpr const char* kBrowserHelperKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects\\%CLSID%";

// The class, its ProgIDs and its browser helper object key, then the type library's entries as
// the type library registration writes them. %CLSID%, %IID%, %LIBID%, %MODULE% (the library's
// full path) and %MODULEDIR% (its folder) are replaced when written.
const RegistrationValue kValues[] = {
    {HKEY_CLASSES_ROOT, "HTMLSourceParser.HTMLSourceParser.1", nullptr, "HTMLSourceParser Class"},
    {HKEY_CLASSES_ROOT, "HTMLSourceParser.HTMLSourceParser.1\\CLSID", nullptr, "%CLSID%"},
    {HKEY_CLASSES_ROOT, "HTMLSourceParser.HTMLSourceParser", nullptr, "HTMLSourceParser Class"},
    {HKEY_CLASSES_ROOT, "HTMLSourceParser.HTMLSourceParser\\CLSID", nullptr, "%CLSID%"},
    {HKEY_CLASSES_ROOT, "HTMLSourceParser.HTMLSourceParser\\CurVer", nullptr,
     "HTMLSourceParser.HTMLSourceParser.1"},
    {HKEY_CLASSES_ROOT, "CLSID\\%CLSID%", nullptr, "HTMLSourceParser Class"},
    {HKEY_CLASSES_ROOT, "CLSID\\%CLSID%\\ProgID", nullptr, "HTMLSourceParser.HTMLSourceParser.1"},
    {HKEY_CLASSES_ROOT, "CLSID\\%CLSID%\\VersionIndependentProgID", nullptr,
     "HTMLSourceParser.HTMLSourceParser"},
    {HKEY_CLASSES_ROOT, "CLSID\\%CLSID%\\Programmable", nullptr, nullptr},
    {HKEY_CLASSES_ROOT, "CLSID\\%CLSID%\\InprocServer32", nullptr, "%MODULE%"},
    {HKEY_CLASSES_ROOT, "CLSID\\%CLSID%\\InprocServer32", "ThreadingModel", "Apartment"},
    {HKEY_CLASSES_ROOT, "CLSID\\%CLSID%\\TypeLib", nullptr, "%LIBID%"},
    {HKEY_LOCAL_MACHINE, kBrowserHelperKey, nullptr, "Harbourline"},
    {HKEY_CLASSES_ROOT, "TypeLib\\%LIBID%\\1.0", nullptr, "Quillnet 1.0 Type Library"},
    {HKEY_CLASSES_ROOT, "TypeLib\\%LIBID%\\1.0\\FLAGS", nullptr, "0"},
    {HKEY_CLASSES_ROOT, "TypeLib\\%LIBID%\\1.0\\409\\win32", nullptr, "%MODULE%"},
    {HKEY_CLASSES_ROOT, "TypeLib\\%LIBID%\\1.0\\HELPDIR", nullptr, "%MODULEDIR%"},
    {HKEY_CLASSES_ROOT, "Interface\\%IID%", nullptr, "IHTMLSourceParser"},
    {HKEY_CLASSES_ROOT, "Interface\\%IID%\\ProxyStubClsid", nullptr,
     "{00020424-0000-0000-C000-000000000046}"},
    {HKEY_CLASSES_ROOT, "Interface\\%IID%\\ProxyStubClsid32", nullptr,
     "{00020424-0000-0000-C000-000000000046}"},
    {HKEY_CLASSES_ROOT, "Interface\\%IID%\\TypeLib", nullptr, "%LIBID%"},
    {HKEY_CLASSES_ROOT, "Interface\\%IID%\\TypeLib", "Version", "1.0"},
};

struct RegistrationKey {
    HKEY root;
    const char* path;
};

// Keys removed and written again at registration, so nothing stale survives below them.
const RegistrationKey kReplacedKeys[] = {
    {HKEY_CLASSES_ROOT, "CLSID\\%CLSID%"},
    {HKEY_LOCAL_MACHINE, kBrowserHelperKey},
};

// Keys removed at unregistration, with everything below them. HKCR\CLSID and the parents of the
// browser helper object key stay.
const RegistrationKey kRemovedKeys[] = {
    {HKEY_CLASSES_ROOT, "HTMLSourceParser.HTMLSourceParser.1"},
    {HKEY_CLASSES_ROOT, "HTMLSourceParser.HTMLSourceParser"},
    {HKEY_CLASSES_ROOT, "CLSID\\%CLSID%"},
    {HKEY_LOCAL_MACHINE, kBrowserHelperKey},
    {HKEY_CLASSES_ROOT, "TypeLib\\%LIBID%\\1.0"},
    {HKEY_CLASSES_ROOT, "Interface\\%IID%"},
};

// The library's own path: the module that holds this function.
std::string ModulePath() {
    char path[4096] = {};
    auto* self = reinterpret_cast<HMODULE>(reinterpret_cast<std::uintptr_t>(&DllRegisterServer));
    if (GetModuleFileNameA(self, path, sizeof path) == 0)
        return {};
    return path;
}

std::string Expand(const char* pattern, const std::string& module) {
    std::string text = pattern;
    const std::pair<const char*, std::string> fields[] = {
        {"%CLSID%", GuidToString(CLSID_HTMLSourceParser)},
        {"%IID%", GuidToString(IID_IHTMLSourceParser)},
        {"%LIBID%", GuidToString(LIBID_QUILLNETLib)},
        {"%MODULEDIR%", FolderOf(module)},
        {"%MODULE%", module},
    };
    for (const auto& [name, value] : fields) {
        for (std::size_t at = text.find(name); at != std::string::npos;
             at = text.find(name, at + value.size()))
            text.replace(at, std::strlen(name), value);
    }
    return text;
}

// Removes a key and everything below it; a key that is already gone is no failure.
LONG RemoveKey(const RegistrationKey& key, const std::string& module) {
    LONG rc = SHDeleteKeyA(key.root, Expand(key.path, module).c_str());
    return rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc;
}

LONG WriteValue(const RegistrationValue& entry, const std::string& module) {
    RegKey key;
    LONG rc = RegCreateKeyExA(entry.root, Expand(entry.path, module).c_str(), 0, nullptr,
                              REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, key.Put(), nullptr);
    if (rc != ERROR_SUCCESS || !entry.data)
        return rc;
    std::string data = Expand(entry.data, module);
    return RegSetValueExA(key.Get(), entry.name, 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(data.c_str()),
                          static_cast<DWORD>(data.size() + 1));
}

// Removes the type library key when its last version is gone.
LONG RemoveEmptyTypeLibKey(const std::string& module) {
    std::string path = Expand("TypeLib\\%LIBID%", module);
    RegKey key;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS)
        return ERROR_SUCCESS;
    DWORD subKeys = 0;
    DWORD values = 0;
    LONG rc = RegQueryInfoKeyCounts(key.Get(), &subKeys, &values);
    key = RegKey();
    if (rc != ERROR_SUCCESS || subKeys != 0 || values != 0)
        return rc;
    return RemoveKey({HKEY_CLASSES_ROOT, "TypeLib\\%LIBID%"}, module);
}

HRESULT Register() {
    std::string module = ModulePath();
    if (module.empty())
        return E_UNEXPECTED;
    RegistryTransaction transaction;
    for (const RegistrationKey& key : kReplacedKeys) {
        if (LONG rc = RemoveKey(key, module); rc != ERROR_SUCCESS)
            return HRESULT_FROM_WIN32(rc);
    }
    for (const RegistrationValue& entry : kValues) {
        if (LONG rc = WriteValue(entry, module); rc != ERROR_SUCCESS)
            return HRESULT_FROM_WIN32(rc);
    }
    return HRESULT_FROM_WIN32(transaction.Commit());
}

HRESULT Unregister() {
    std::string module = ModulePath();
    RegistryTransaction transaction;
    for (const RegistrationKey& key : kRemovedKeys) {
        if (LONG rc = RemoveKey(key, module); rc != ERROR_SUCCESS)
            return HRESULT_FROM_WIN32(rc);
    }
    if (LONG rc = RemoveEmptyTypeLibKey(module); rc != ERROR_SUCCESS)
        return HRESULT_FROM_WIN32(rc);
    return HRESULT_FROM_WIN32(transaction.Commit());
}

} // namespace

// ---- exports ----
// Nothing leaves the library as an exception: an unexpected one becomes E_UNEXPECTED.

HRESULT DllRegisterServer() {
    try {
        return Register();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

HRESULT DllUnregisterServer() {
    try {
        return Unregister();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

HRESULT DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (clsid != CLSID_HTMLSourceParser)
        return CLASS_E_CLASSNOTAVAILABLE;
    return gFactory.QueryInterface(iid, object);
}

HRESULT DllCanUnloadNow() {
    return ServerInUse() ? S_FALSE : S_OK;
}
