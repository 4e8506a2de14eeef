// The process's one connection to the registry file: opening, the lock, statements, write scopes.
//
// Internal to the platform layer; the Win32-style calls in Registry.cpp are built on it.
//
// Sections: error mapping; Statement (a cached prepared statement); Store (connection, hives,
// transactions); WriteScope (one call's writes as one step).
#pragma once

#include "platform/WinTypes.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace hookwise::platform::registry {

using KeyId = std::int64_t;

// ---- Error mapping --------------------------------------------------------------------------

// Whether a failing statement was reading or writing: a busy or failing disk is ERROR_CANTREAD
// for one and ERROR_CANTWRITE for the other.
enum class Access { Read, Write };

// The one place where SQLite result codes become registry error codes: a damaged or foreign file
// gives ERROR_BADDB, a file that cannot be opened ERROR_CANTOPEN, a read-only, full or locked file
// ERROR_CANTWRITE (ERROR_CANTREAD when reading), no memory ERROR_NOT_ENOUGH_MEMORY.
LONG RegistryErrorFromSqlite(int rc, Access access);

// ---- Statement ------------------------------------------------------------------------------

class Store;

// A prepared statement from the store's cache, reset and unbound when it goes. The store's lock
// must be held for its whole life. Bind indexes count from 1, column indexes from 0.
class Statement {
public:
    Statement(Store& store, const char* sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // ERROR_SUCCESS when the statement could be prepared, else the mapped error.
    LONG PrepareError() const { return prepareError_; }

    void BindInt(int index, std::int64_t value);
    // Binds the bytes as they are (no encoding check): names may hold any byte but NUL.
    void BindText(int index, std::string_view text);
    // A zero-length blob (never SQL NULL) when size is 0.
    void BindBlob(int index, const void* data, std::size_t size);

    // SQLITE_ROW, SQLITE_DONE or an error code (the raw SQLite code).
    int Step();
    std::int64_t ColumnInt(int column) const;
    std::string_view ColumnText(int column) const;
    const void* ColumnBlob(int column) const;
    std::size_t ColumnBytes(int column) const;

private:
    sqlite3_stmt* stmt_ = nullptr;
    LONG prepareError_ = ERROR_SUCCESS;
};

// ---- Store ----------------------------------------------------------------------------------

// Which of the three hives a predefined root names.
enum class Hive { ClassesRoot = 0, CurrentUser = 1, LocalMachine = 2 };
constexpr int kHiveCount = 3;

class Store {
public:
    // The process's store (never destroyed, so calls from static destructors stay safe).
    static Store& Instance();

    // Every use of the store holds this lock; a RegistryTransaction holds it for its whole life,
    // so other threads wait instead of slipping their writes into it.
    std::recursive_mutex& Mutex() { return mutex_; }

    // Opens the file when it is not open yet (or was opened before a fork, in the parent) and
    // returns ERROR_SUCCESS or the reason it cannot be used. A failed open is tried again at the
    // next call.
    LONG Ensure();

    // Closes the connection; the next Ensure() reads $HOOKWISE_REGISTRY again.
    void Close();

    sqlite3* Db() const { return db_; }
    // The registry file's path: $HOOKWISE_REGISTRY, else the per-user default.
    const std::string& Path();
    KeyId HiveId(Hive hive) const { return hives_[static_cast<int>(hive)]; }

    // A cached prepared statement for sql (a string literal: the cache is keyed by its address).
    sqlite3_stmt* Prepare(const char* sql, int* rc);

    // Equal twice only when the file's content cannot have changed in between (here or in
    // another process); lets an enumeration go on from where its last call stopped.
    struct Generation {
        std::int64_t dataVersion = -1;
        std::int64_t changes = -1;
        bool operator==(const Generation&) const = default;
        bool Known() const { return dataVersion >= 0; }
    };
    Generation CurrentGeneration();

    // ---- Caller transactions (RegistryTransaction): the lock is already held. ----
    void TransactionBegin();
    LONG TransactionEnd(bool commit);
    bool InTransaction() const { return !scopes_.empty(); }
    // True when the open transaction can no longer commit (its start failed, or a write inside it
    // failed): every further write is refused and the end rolls back.
    bool TransactionDoomed() const { return doomed_; }
    void DoomTransaction() { doomed_ = !scopes_.empty(); }

    // Runs one SQL text without results; returns the raw SQLite code.
    int Exec(const char* sql);

private:
    Store() = default;
    LONG OpenFile();
    LONG CreateSchema();
    LONG LoadHives();

    std::recursive_mutex mutex_;
    sqlite3* db_ = nullptr;
    int openerPid_ = 0;
    std::string path_;
    KeyId hives_[kHiveCount] = {0, 0, 0};
    std::unordered_map<const char*, sqlite3_stmt*> statements_;
    // One entry per open RegistryTransaction scope: whether its BEGIN / SAVEPOINT took effect.
    std::vector<bool> scopes_;
    bool doomed_ = false;
};

// ---- WriteScope -----------------------------------------------------------------------------

// Makes one registry call's statements a single step: its own transaction (BEGIN IMMEDIATE, so
// a writer in another process is waited for up to the busy time-out), or a savepoint inside the
// caller's transaction. Not committed when it goes: everything since Begin() is undone.
class WriteScope {
public:
    explicit WriteScope(Store& store) : store_(store) {}
    ~WriteScope();
    WriteScope(const WriteScope&) = delete;
    WriteScope& operator=(const WriteScope&) = delete;

    LONG Begin();
    LONG Commit();
    // Marks a SQLite failure of a statement inside the scope; returns the mapped error. Inside a
    // caller's transaction it dooms that transaction, so a partial save never commits.
    LONG Fail(int rc);

private:
    Store& store_;
    bool open_ = false;
    bool nested_ = false;
};

} // namespace hookwise::platform::registry
