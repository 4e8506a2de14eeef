// The Win32 registry calls over the SQLite registry file, with Windows' result codes.
//
// Sections: names and paths; handles; key lookups; value copies; the calls; RegistryTransaction
// and RegKey.
#include "platform/Registry.h"

#include "platform/AsciiCase.h"
#include "platform/RegistryStore.h"

#include <sqlite3.h>

#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

using namespace hookwise::platform;

using hookwise::platform::registry::Access;
using hookwise::platform::registry::Hive;
using hookwise::platform::registry::KeyId;
using hookwise::platform::registry::Statement;
using hookwise::platform::registry::Store;
using hookwise::platform::registry::WriteScope;

namespace {

// Windows refuses key names longer than this.
constexpr std::size_t kMaxKeyNameLength = 255;

// ---- Names and paths ------------------------------------------------------------------------

std::string_view ValueName(const char* name) {
    return name == nullptr ? "" : name;
}

// Splits a '\' separated path into its names. Empty parts (doubled, leading or trailing
// separators) are skipped; a name longer than Windows allows gives ERROR_INVALID_PARAMETER.
LONG SplitPath(const char* subKey, std::vector<std::string_view>* parts) {
    parts->clear();
    if (subKey == nullptr)
        return ERROR_SUCCESS;
    std::string_view rest(subKey);
    while (!rest.empty()) {
        std::size_t end = rest.find('\\');
        std::string_view part = rest.substr(0, end);
        if (part.size() > kMaxKeyNameLength)
            return ERROR_INVALID_PARAMETER;
        if (!part.empty())
            parts->push_back(part);
        if (end == std::string_view::npos)
            break;
        rest.remove_prefix(end + 1);
    }
    return ERROR_SUCCESS;
}

// ---- Handles --------------------------------------------------------------------------------

// Where the last enumeration call of a handle stopped, so that walking index 0, 1, 2 ... costs one
// step per call instead of a rescan from the first entry.
struct EnumCursor {
    Store::Generation generation;
    DWORD index = 0;
    std::int64_t seq = 0; // values: the seq of entry `index`
    std::string uname;    // subkeys: the upper-cased name of entry `index`
};

struct KeyHandle {
    KeyId id = 0;
    EnumCursor values;
    EnumCursor subkeys;
};

// Handles are tokens above every predefined root and never reused, so a closed or made-up handle
// always gives ERROR_INVALID_HANDLE. Guarded by the store's lock.
struct HandleTable {
    std::uintptr_t next = std::uintptr_t{1} << 32;
    std::unordered_map<std::uintptr_t, KeyHandle> live;
};

HandleTable& Handles() {
    static HandleTable* table = new HandleTable();
    return *table;
}

bool RootOf(HKEY key, Hive* hive) {
    if (key == HKEY_CLASSES_ROOT)
        *hive = Hive::ClassesRoot;
    else if (key == HKEY_CURRENT_USER)
        *hive = Hive::CurrentUser;
    else if (key == HKEY_LOCAL_MACHINE)
        *hive = Hive::LocalMachine;
    else
        return false;
    return true;
}

HKEY NewHandle(KeyId id) {
    HandleTable& table = Handles();
    std::uintptr_t token = table.next++;
    table.live[token].id = id;
    return reinterpret_cast<HKEY>(token);
}

// The handle's record, or null for predefined roots and unknown handles.
KeyHandle* HandleRecord(HKEY key) {
    auto found = Handles().live.find(reinterpret_cast<std::uintptr_t>(key));
    return found == Handles().live.end() ? nullptr : &found->second;
}

// ---- Key lookups ----------------------------------------------------------------------------

// ERROR_SUCCESS when key id exists, ERROR_KEY_DELETED when it was deleted.
LONG CheckExists(Store& store, KeyId id) {
    Statement query(store, "SELECT 1 FROM keys WHERE id = ?1");
    if (query.PrepareError() != ERROR_SUCCESS)
        return query.PrepareError();
    query.BindInt(1, id);
    int rc = query.Step();
    if (rc == SQLITE_ROW)
        return ERROR_SUCCESS;
    if (rc == SQLITE_DONE)
        return ERROR_KEY_DELETED;
    return hookwise::platform::registry::RegistryErrorFromSqlite(rc, Access::Read);
}

// Opens the store and turns a handle into its key id: ERROR_INVALID_HANDLE for an unknown handle,
// ERROR_KEY_DELETED when its key is gone, or the store's error.
LONG Resolve(Store& store, HKEY key, KeyId* id) {
    LONG error = store.Ensure();
    if (error != ERROR_SUCCESS)
        return error;
    Hive hive;
    if (RootOf(key, &hive)) {
        *id = store.HiveId(hive);
        return ERROR_SUCCESS;
    }
    KeyHandle* record = HandleRecord(key);
    if (record == nullptr)
        return ERROR_INVALID_HANDLE;
    *id = record->id;
    return CheckExists(store, *id);
}

// Under the store lock: resolves the handle key and runs read(store, id) on its key.
template <typename Read> LONG ReadKey(HKEY key, Read read) {
    Store& store = Store::Instance();
    std::lock_guard lock(store.Mutex());
    KeyId id = 0;
    LONG error = Resolve(store, key, &id);
    return error != ERROR_SUCCESS ? error : read(store, id);
}

// Under the store lock and inside a write scope: resolves the handle key and runs
// change(store, scope, id), which ends with scope.Commit() or scope.Fail(rc); any other return
// leaves the scope to roll its changes back.
template <typename Change> LONG ChangeKey(HKEY key, Change change) {
    Store& store = Store::Instance();
    std::lock_guard lock(store.Mutex());
    LONG error = store.Ensure();
    if (error != ERROR_SUCCESS)
        return error;
    WriteScope scope(store);
    error = scope.Begin();
    KeyId id = 0;
    if (error == ERROR_SUCCESS)
        error = Resolve(store, key, &id);
    return error != ERROR_SUCCESS ? error : change(store, scope, id);
}

bool IsHive(Store& store, KeyId id) {
    for (Hive hive : {Hive::ClassesRoot, Hive::CurrentUser, Hive::LocalMachine}) {
        if (store.HiveId(hive) == id)
            return true;
    }
    return false;
}

// The child of parent called name: ERROR_SUCCESS, ERROR_FILE_NOT_FOUND or the store's error.
LONG FindChild(Store& store, KeyId parent, std::string_view name, KeyId* child) {
    Statement query(store, "SELECT id FROM keys WHERE parent = ?1 AND uname = ?2");
    if (query.PrepareError() != ERROR_SUCCESS)
        return query.PrepareError();
    query.BindInt(1, parent);
    query.BindText(2, AsciiUppered(name));
    int rc = query.Step();
    if (rc == SQLITE_DONE)
        return ERROR_FILE_NOT_FOUND;
    if (rc != SQLITE_ROW)
        return hookwise::platform::registry::RegistryErrorFromSqlite(rc, Access::Read);
    *child = query.ColumnInt(0);
    return ERROR_SUCCESS;
}

LONG Walk(Store& store, KeyId start, const char* subKey, KeyId* found) {
    std::vector<std::string_view> parts;
    LONG error = SplitPath(subKey, &parts);
    if (error != ERROR_SUCCESS)
        return error;
    KeyId id = start;
    for (std::string_view part : parts) {
        error = FindChild(store, id, part, &id);
        if (error != ERROR_SUCCESS)
            return error;
    }
    *found = id;
    return ERROR_SUCCESS;
}

// Counts the rows of `sql` (one bound key id).
LONG Count(Store& store, const char* sql, KeyId id, DWORD* count) {
    Statement query(store, sql);
    if (query.PrepareError() != ERROR_SUCCESS)
        return query.PrepareError();
    query.BindInt(1, id);
    int rc = query.Step();
    if (rc != SQLITE_ROW)
        return hookwise::platform::registry::RegistryErrorFromSqlite(rc, Access::Read);
    *count = static_cast<DWORD>(query.ColumnInt(0));
    return ERROR_SUCCESS;
}

// ---- Value copies ---------------------------------------------------------------------------

bool IsStringType(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// RegQueryValueEx's output rules for one stored value (see the header).
LONG CopyValue(DWORD storedType, const void* bytes, std::size_t size, DWORD* type, BYTE* data,
               DWORD* cbData) {
    if (type != nullptr)
        *type = storedType;
    if (cbData == nullptr)
        return ERROR_SUCCESS;
    DWORD needed = static_cast<DWORD>(size);
    if (data == nullptr) {
        *cbData = needed;
        return ERROR_SUCCESS;
    }
    DWORD room = *cbData;
    *cbData = needed;
    if (room < needed)
        return ERROR_MORE_DATA;
    if (size > 0)
        std::memcpy(data, bytes, size);
    const BYTE* stored = static_cast<const BYTE*>(bytes);
    bool endsInNul = size > 0 && stored[size - 1] == 0;
    if (IsStringType(storedType) && room > needed && !endsInNul)
        data[needed] = 0;
    return ERROR_SUCCESS;
}

// ---- Shared bodies of the open and create calls ----------------------------------------------

LONG OpenKey(HKEY key, const char* subKey, HKEY* result) {
    Store& store = Store::Instance();
    KeyId id = 0;
    LONG error = Resolve(store, key, &id);
    if (error == ERROR_SUCCESS)
        error = Walk(store, id, subKey, &id);
    if (error != ERROR_SUCCESS)
        return error;
    *result = NewHandle(id);
    return ERROR_SUCCESS;
}

LONG CreateKey(HKEY key, const char* subKey, HKEY* result, DWORD* disposition) {
    Store& store = Store::Instance();
    LONG error = store.Ensure();
    if (error != ERROR_SUCCESS)
        return error;
    std::vector<std::string_view> parts;
    error = SplitPath(subKey, &parts);
    if (error != ERROR_SUCCESS)
        return error;

    // A key that exists already is only opened, and that is a read: in WAL mode a reader never
    // waits for another process's write transaction (the tray program saving its settings).
    // Within a transaction of our own the write path below sees the same keys.
    if (!store.InTransaction()) {
        KeyId existing = 0;
        LONG found = Resolve(store, key, &existing);
        if (found == ERROR_SUCCESS)
            found = Walk(store, existing, subKey, &existing);
        if (found == ERROR_SUCCESS) {
            *result = NewHandle(existing);
            if (disposition != nullptr)
                *disposition = REG_OPENED_EXISTING_KEY;
            return ERROR_SUCCESS;
        }
        if (found != ERROR_FILE_NOT_FOUND)
            return found;
    }

    WriteScope scope(store);
    error = scope.Begin();
    KeyId id = 0;
    if (error == ERROR_SUCCESS)
        error = Resolve(store, key, &id);
    if (error != ERROR_SUCCESS)
        return error;
    bool created = false;
    for (std::string_view part : parts) {
        error = FindChild(store, id, part, &id);
        if (error == ERROR_SUCCESS)
            continue;
        if (error != ERROR_FILE_NOT_FOUND)
            return error;
        Statement insert(store, "INSERT INTO keys(parent, name, uname) VALUES(?1, ?2, ?3)");
        if (insert.PrepareError() != ERROR_SUCCESS)
            return insert.PrepareError();
        insert.BindInt(1, id);
        insert.BindText(2, part);
        insert.BindText(3, AsciiUppered(part));
        int rc = insert.Step();
        if (rc != SQLITE_DONE)
            return scope.Fail(rc);
        id = sqlite3_last_insert_rowid(store.Db());
        created = true;
    }
    error = scope.Commit();
    if (error != ERROR_SUCCESS)
        return error;
    *result = NewHandle(id);
    if (disposition != nullptr)
        *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
}

// Deletes the key at subKey below key: with its whole subtree, or (RegDeleteKey) only when it has
// no subkeys. Hives cannot be deleted.
LONG DeleteKey(HKEY key, const char* subKey, bool subtree) {
    if (subKey == nullptr)
        return ERROR_INVALID_PARAMETER;
    Store& store = Store::Instance();
    std::lock_guard lock(store.Mutex());
    LONG error = store.Ensure();
    if (error != ERROR_SUCCESS)
        return error;
    WriteScope scope(store);
    error = scope.Begin();
    KeyId id = 0;
    if (error == ERROR_SUCCESS)
        error = Resolve(store, key, &id);
    if (error == ERROR_SUCCESS)
        error = Walk(store, id, subKey, &id);
    if (error != ERROR_SUCCESS)
        return error;
    if (IsHive(store, id))
        return ERROR_ACCESS_DENIED;
    if (!subtree) {
        DWORD children = 0;
        error = Count(store, "SELECT COUNT(*) FROM keys WHERE parent = ?1", id, &children);
        if (error != ERROR_SUCCESS)
            return error;
        if (children > 0)
            return ERROR_ACCESS_DENIED;
    }
    static const char* const kDeletes[] = {
        "WITH RECURSIVE sub(id) AS (SELECT ?1 UNION ALL SELECT keys.id FROM keys JOIN sub ON "
        "keys.parent = sub.id) DELETE FROM vals WHERE key IN sub",
        "WITH RECURSIVE sub(id) AS (SELECT ?1 UNION ALL SELECT keys.id FROM keys JOIN sub ON "
        "keys.parent = sub.id) DELETE FROM keys WHERE id IN sub",
    };
    for (const char* sql : kDeletes) {
        Statement remove(store, sql);
        if (remove.PrepareError() != ERROR_SUCCESS)
            return remove.PrepareError();
        remove.BindInt(1, id);
        int rc = remove.Step();
        if (rc != SQLITE_DONE)
            return scope.Fail(rc);
    }
    return scope.Commit();
}

} // namespace

// ---- The calls ------------------------------------------------------------------------------

LONG RegConnectRegistryA(const char* machineName, HKEY root, HKEY* result) {
    if (result == nullptr)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    if (machineName != nullptr && *machineName != '\0')
        return ERROR_BAD_NETPATH;
    Hive hive;
    if (!RootOf(root, &hive))
        return ERROR_INVALID_HANDLE;
    Store& store = Store::Instance();
    std::lock_guard lock(store.Mutex());
    LONG error = store.Ensure();
    if (error != ERROR_SUCCESS)
        return error;
    *result = NewHandle(store.HiveId(hive));
    return ERROR_SUCCESS;
}

LONG RegCreateKeyExA(HKEY key, const char* subKey, DWORD, char*, DWORD, REGSAM, const void*,
                     HKEY* result, DWORD* disposition) {
    if (result == nullptr)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    if (subKey == nullptr)
        return ERROR_INVALID_PARAMETER;
    std::lock_guard lock(Store::Instance().Mutex());
    return CreateKey(key, subKey, result, disposition);
}

LONG RegCreateKeyA(HKEY key, const char* subKey, HKEY* result) {
    if (result == nullptr)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    Store& store = Store::Instance();
    std::lock_guard lock(store.Mutex());
    if (subKey == nullptr || *subKey == '\0') {
        KeyId id = 0;
        LONG error = Resolve(store, key, &id);
        if (error != ERROR_SUCCESS)
            return error;
        *result = key;
        return ERROR_SUCCESS;
    }
    return CreateKey(key, subKey, result, nullptr);
}

LONG RegOpenKeyA(HKEY key, const char* subKey, HKEY* result) {
    if (result == nullptr)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    std::lock_guard lock(Store::Instance().Mutex());
    if (subKey == nullptr || *subKey == '\0') {
        // Windows hands the same handle back without looking at the key; a deleted key shows at
        // the next call that uses it.
        Hive hive;
        if (!RootOf(key, &hive) && HandleRecord(key) == nullptr)
            return ERROR_INVALID_HANDLE;
        *result = key;
        return ERROR_SUCCESS;
    }
    return OpenKey(key, subKey, result);
}

LONG RegOpenKeyExA(HKEY key, const char* subKey, DWORD, REGSAM, HKEY* result) {
    if (result == nullptr)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    std::lock_guard lock(Store::Instance().Mutex());
    return OpenKey(key, subKey, result);
}

LONG RegQueryValueExA(HKEY key, const char* valueName, DWORD*, DWORD* type, BYTE* data,
                      DWORD* cbData) {
    if (data != nullptr && cbData == nullptr)
        return ERROR_INVALID_PARAMETER;
    return ReadKey(key, [&](Store& store, KeyId id) -> LONG {
        Statement query(store, "SELECT type, data FROM vals WHERE key = ?1 AND uname = ?2");
        if (query.PrepareError() != ERROR_SUCCESS)
            return query.PrepareError();
        query.BindInt(1, id);
        query.BindText(2, AsciiUppered(ValueName(valueName)));
        int rc = query.Step();
        if (rc == SQLITE_DONE)
            return ERROR_FILE_NOT_FOUND;
        if (rc != SQLITE_ROW)
            return hookwise::platform::registry::RegistryErrorFromSqlite(rc, Access::Read);
        DWORD storedType = static_cast<DWORD>(query.ColumnInt(0));
        const void* bytes = query.ColumnBlob(1);
        std::size_t size = query.ColumnBytes(1);
        return CopyValue(storedType, bytes, size, type, data, cbData);
    });
}

LONG RegSetValueExA(HKEY key, const char* valueName, DWORD, DWORD type, const BYTE* data,
                    DWORD cbData) {
    if (data == nullptr && cbData > 0)
        return ERROR_INVALID_PARAMETER;
    return ChangeKey(key, [&](Store& store, WriteScope& scope, KeyId id) -> LONG {
        // A new value goes after every value of the key; a replaced one keeps its place and the
        // case of its name, as Windows does.
        Statement upsert(store,
                         "INSERT INTO vals(key, uname, name, seq, type, data) VALUES(?1, ?2, ?3, "
                         "(SELECT IFNULL(MAX(seq), 0) + 1 FROM vals WHERE key = ?1), ?4, ?5) "
                         "ON CONFLICT(key, uname) DO UPDATE SET type = excluded.type, "
                         "data = excluded.data");
        if (upsert.PrepareError() != ERROR_SUCCESS)
            return upsert.PrepareError();
        std::string_view name = ValueName(valueName);
        upsert.BindInt(1, id);
        upsert.BindText(2, AsciiUppered(name));
        upsert.BindText(3, name);
        upsert.BindInt(4, type);
        upsert.BindBlob(5, data, cbData);
        int rc = upsert.Step();
        if (rc != SQLITE_DONE)
            return scope.Fail(rc);
        return scope.Commit();
    });
}

LONG RegDeleteValueA(HKEY key, const char* valueName) {
    return ChangeKey(key, [&](Store& store, WriteScope& scope, KeyId id) -> LONG {
        Statement remove(store, "DELETE FROM vals WHERE key = ?1 AND uname = ?2");
        if (remove.PrepareError() != ERROR_SUCCESS)
            return remove.PrepareError();
        remove.BindInt(1, id);
        remove.BindText(2, AsciiUppered(ValueName(valueName)));
        int rc = remove.Step();
        if (rc != SQLITE_DONE)
            return scope.Fail(rc);
        if (sqlite3_changes(store.Db()) == 0)
            return ERROR_FILE_NOT_FOUND;
        return scope.Commit();
    });
}

LONG RegEnumValueA(HKEY key, DWORD index, char* valueName, DWORD* cchValueName, DWORD*, DWORD* type,
                   BYTE* data, DWORD* cbData) {
    if (valueName == nullptr || cchValueName == nullptr || (data != nullptr && cbData == nullptr))
        return ERROR_INVALID_PARAMETER;
    return ReadKey(key, [&](Store& store, KeyId id) -> LONG {
        // Go on from the handle's cursor when nothing changed since, else count from the first
        // value.
        KeyHandle* record = HandleRecord(key);
        Store::Generation generation = store.CurrentGeneration();
        std::int64_t fromSeq = 0;
        std::int64_t skip = index;
        if (record != nullptr && generation.Known() && record->values.generation == generation &&
            index >= record->values.index) {
            fromSeq = record->values.seq + (index > record->values.index ? 1 : 0);
            skip = index - record->values.index - (index > record->values.index ? 1 : 0);
        }
        Statement query(store,
                        "SELECT seq, name, type, data FROM vals WHERE key = ?1 AND seq >= ?2 "
                        "ORDER BY seq LIMIT 1 OFFSET ?3");
        if (query.PrepareError() != ERROR_SUCCESS)
            return query.PrepareError();
        query.BindInt(1, id);
        query.BindInt(2, fromSeq);
        query.BindInt(3, skip);
        int rc = query.Step();
        if (rc == SQLITE_DONE)
            return ERROR_NO_MORE_ITEMS;
        if (rc != SQLITE_ROW)
            return hookwise::platform::registry::RegistryErrorFromSqlite(rc, Access::Read);
        if (record != nullptr)
            record->values = EnumCursor{generation, index, query.ColumnInt(0), {}};

        std::string_view name = query.ColumnText(1);
        if (name.size() + 1 > *cchValueName)
            return ERROR_MORE_DATA;
        DWORD storedType = static_cast<DWORD>(query.ColumnInt(2));
        LONG error =
            CopyValue(storedType, query.ColumnBlob(3), query.ColumnBytes(3), type, data, cbData);
        std::memcpy(valueName, name.data(), name.size());
        valueName[name.size()] = '\0';
        *cchValueName = static_cast<DWORD>(name.size());
        return error;
    });
}

LONG RegEnumKeyA(HKEY key, DWORD index, char* name, DWORD cchName) {
    if (name == nullptr)
        return ERROR_INVALID_PARAMETER;
    return ReadKey(key, [&](Store& store, KeyId id) -> LONG {
        KeyHandle* record = HandleRecord(key);
        Store::Generation generation = store.CurrentGeneration();
        const char* sql = "SELECT uname, name FROM keys WHERE parent = ?1 AND uname >= ?2 "
                          "ORDER BY uname LIMIT 1 OFFSET ?3";
        std::string from;
        std::int64_t skip = index;
        if (record != nullptr && generation.Known() && record->subkeys.generation == generation &&
            index >= record->subkeys.index) {
            from = record->subkeys.uname;
            if (index > record->subkeys.index) {
                sql = "SELECT uname, name FROM keys WHERE parent = ?1 AND uname > ?2 "
                      "ORDER BY uname LIMIT 1 OFFSET ?3";
                skip = index - record->subkeys.index - 1;
            } else {
                skip = 0;
            }
        }
        Statement query(store, sql);
        if (query.PrepareError() != ERROR_SUCCESS)
            return query.PrepareError();
        query.BindInt(1, id);
        query.BindText(2, from);
        query.BindInt(3, skip);
        int rc = query.Step();
        if (rc == SQLITE_DONE)
            return ERROR_NO_MORE_ITEMS;
        if (rc != SQLITE_ROW)
            return hookwise::platform::registry::RegistryErrorFromSqlite(rc, Access::Read);
        if (record != nullptr)
            record->subkeys = EnumCursor{generation, index, 0, std::string(query.ColumnText(0))};

        std::string_view found = query.ColumnText(1);
        if (found.size() + 1 > cchName)
            return ERROR_MORE_DATA;
        std::memcpy(name, found.data(), found.size());
        name[found.size()] = '\0';
        return ERROR_SUCCESS;
    });
}

LONG RegQueryInfoKeyCounts(HKEY key, DWORD* subKeys, DWORD* values) {
    return ReadKey(key, [&](Store& store, KeyId id) {
        LONG error = ERROR_SUCCESS;
        if (subKeys != nullptr)
            error = Count(store, "SELECT COUNT(*) FROM keys WHERE parent = ?1", id, subKeys);
        if (error == ERROR_SUCCESS && values != nullptr)
            error = Count(store, "SELECT COUNT(*) FROM vals WHERE key = ?1", id, values);
        return error;
    });
}

LONG RegDeleteKeyA(HKEY key, const char* subKey) {
    return DeleteKey(key, subKey, false);
}

LONG SHDeleteKeyA(HKEY key, const char* subKey) {
    return DeleteKey(key, subKey, true);
}

LONG RegCloseKey(HKEY key) {
    Hive hive;
    if (RootOf(key, &hive))
        return ERROR_SUCCESS;
    std::lock_guard lock(Store::Instance().Mutex());
    if (Handles().live.erase(reinterpret_cast<std::uintptr_t>(key)) == 0)
        return ERROR_INVALID_HANDLE;
    return ERROR_SUCCESS;
}

const char* RegistryFilePath() {
    Store& store = Store::Instance();
    std::lock_guard lock(store.Mutex());
    return store.Path().c_str();
}

void RegistryReopenForTesting() {
    Store& store = Store::Instance();
    std::lock_guard lock(store.Mutex());
    store.Close();
}

// ---- RegistryTransaction and RegKey ---------------------------------------------------------

RegistryTransaction::RegistryTransaction() {
    Store& store = Store::Instance();
    store.Mutex().lock(); // held until the destructor: other threads wait for the whole scope
    store.TransactionBegin();
    active_ = true;
}

RegistryTransaction::~RegistryTransaction() {
    Store& store = Store::Instance();
    if (active_)
        store.TransactionEnd(false);
    store.Mutex().unlock();
}

LONG RegistryTransaction::Commit() {
    if (!active_)
        return ERROR_INVALID_PARAMETER;
    active_ = false;
    return Store::Instance().TransactionEnd(true);
}

RegKey& RegKey::operator=(RegKey&& other) noexcept {
    if (this == &other)
        return *this;
    HKEY taken = other.Release();
    if (key_ != nullptr)
        RegCloseKey(key_);
    key_ = taken;
    return *this;
}

RegKey::~RegKey() {
    if (key_ != nullptr)
        RegCloseKey(key_);
}

HKEY* RegKey::Put() {
    if (key_ != nullptr)
        RegCloseKey(key_);
    key_ = nullptr;
    return &key_;
}

HKEY RegKey::Release() {
    HKEY key = key_;
    key_ = nullptr;
    return key;
}
