// The registry file's connection, schema, statement cache, transactions and error mapping.
//
// Sections: error mapping; file location; Statement; Store (open, schema, hives, transactions);
// WriteScope.
#include "platform/RegistryStore.h"

#include "platform/UserFolders.h"

#include <sqlite3.h>

#include <cerrno>
#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hookwise::platform::registry {

namespace {

// Long enough for another process's whole settings save; short enough that a stuck writer gives
// an error instead of a hang.
constexpr int kBusyTimeoutMs = 10000;
constexpr std::int64_t kSchemaVersion = 1;

// The hive rows hang below this parent id, which no key has.
constexpr KeyId kHiveParent = 0;
constexpr const char* kHiveNames[kHiveCount] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER",
                                                "HKEY_LOCAL_MACHINE"};

// Keys: one row per key, hives included; `uname` is the name upper-cased (ASCII), which both makes
// names unique per parent ignoring case and gives the subkey order. AUTOINCREMENT keeps ids from
// being reused, so a handle to a deleted key can never reach a newer key.
// Values: `seq` is the creation order within the key; replacing a value keeps it.
constexpr const char* kSchemaSql = R"sql(
CREATE TABLE IF NOT EXISTS keys(
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    parent INTEGER NOT NULL,
    name TEXT NOT NULL,
    uname TEXT NOT NULL,
    UNIQUE(parent, uname));
CREATE TABLE IF NOT EXISTS vals(
    key INTEGER NOT NULL,
    uname TEXT NOT NULL,
    name TEXT NOT NULL,
    seq INTEGER NOT NULL,
    type INTEGER NOT NULL,
    data BLOB NOT NULL,
    PRIMARY KEY(key, uname)) WITHOUT ROWID;
CREATE UNIQUE INDEX IF NOT EXISTS vals_by_seq ON vals(key, seq);
INSERT OR IGNORE INTO keys(parent, name, uname) VALUES
    (0, 'HKEY_CLASSES_ROOT', 'HKEY_CLASSES_ROOT'),
    (0, 'HKEY_CURRENT_USER', 'HKEY_CURRENT_USER'),
    (0, 'HKEY_LOCAL_MACHINE', 'HKEY_LOCAL_MACHINE');
PRAGMA user_version = 1;
)sql";

} // namespace

// ---- Error mapping --------------------------------------------------------------------------

LONG RegistryErrorFromSqlite(int rc, Access access) {
    switch (rc & 0xff) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE:
        return ERROR_SUCCESS;
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
    case SQLITE_FORMAT:
    case SQLITE_SCHEMA:
    case SQLITE_ERROR: // "no such table" and the like: the file is not a registry we can read
    case SQLITE_MISMATCH:
    case SQLITE_CONSTRAINT:
        return ERROR_BADDB;
    case SQLITE_CANTOPEN:
        return ERROR_CANTOPEN;
    case SQLITE_NOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case SQLITE_TOOBIG:
        return ERROR_INVALID_PARAMETER;
    case SQLITE_READONLY:
    case SQLITE_FULL:
        return ERROR_CANTWRITE;
    default: // BUSY, LOCKED, IOERR, PERM, PROTOCOL ...
        return access == Access::Write ? ERROR_CANTWRITE : ERROR_CANTREAD;
    }
}

// ---- File location --------------------------------------------------------------------------

const std::string& Store::Path() {
    if (!path_.empty())
        return path_;
    const char* chosen = std::getenv("HOOKWISE_REGISTRY");
    if (chosen != nullptr && *chosen != '\0') {
        path_ = chosen;
        return path_;
    }
    // No home folder known at all: no registry file rather than one in a folder others can reach.
    const std::string config = UserConfigFolder();
    if (!config.empty())
        path_ = config + "/hookwise/registry.db";
    return path_;
}

// ---- Statement ------------------------------------------------------------------------------

Statement::Statement(Store& store, const char* sql) {
    int rc = SQLITE_OK;
    stmt_ = store.Prepare(sql, &rc);
    if (stmt_ == nullptr)
        prepareError_ = RegistryErrorFromSqlite(rc == SQLITE_OK ? SQLITE_ERROR : rc, Access::Read);
}

Statement::~Statement() {
    if (stmt_ == nullptr)
        return;
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

void Statement::BindInt(int index, std::int64_t value) {
    sqlite3_bind_int64(stmt_, index, value);
}

void Statement::BindText(int index, std::string_view text) {
    sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

void Statement::BindBlob(int index, const void* data, std::size_t size) {
    if (size == 0) {
        sqlite3_bind_zeroblob(stmt_, index, 0);
        return;
    }
    sqlite3_bind_blob64(stmt_, index, data, size, SQLITE_TRANSIENT);
}

int Statement::Step() {
    return stmt_ == nullptr ? SQLITE_MISUSE : sqlite3_step(stmt_);
}

std::int64_t Statement::ColumnInt(int column) const {
    return sqlite3_column_int64(stmt_, column);
}

std::string_view Statement::ColumnText(int column) const {
    const unsigned char* text = sqlite3_column_text(stmt_, column);
    if (text == nullptr)
        return {};
    return {reinterpret_cast<const char*>(text),
            static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column))};
}

const void* Statement::ColumnBlob(int column) const {
    return sqlite3_column_blob(stmt_, column);
}

std::size_t Statement::ColumnBytes(int column) const {
    return static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column));
}

// ---- Store ----------------------------------------------------------------------------------

Store& Store::Instance() {
    static Store* store = new Store();
    return *store;
}

LONG Store::Ensure() {
    if (db_ != nullptr && openerPid_ == getpid())
        return ERROR_SUCCESS;
    if (db_ != nullptr) {
        // Opened by the parent before a fork. Closing it here could disturb the parent's locks,
        // so the child leaves it as it is and opens its own.
        db_ = nullptr;
        statements_.clear();
        scopes_.clear();
        doomed_ = false;
    }
    return OpenFile();
}

LONG Store::OpenFile() {
    path_.clear();
    const std::string& path = Path();
    if (path.empty())
        return ERROR_PATH_NOT_FOUND;
    const char* chosen = std::getenv("HOOKWISE_REGISTRY");
    // The open that follows reports a folder that could not be made.
    if (chosen == nullptr || *chosen == '\0')
        MakeFolders(path.substr(0, path.rfind('/')), 0700);

    // Create the file ourselves so that it (and the WAL files SQLite gives the same mode) is
    // readable by this user only: it holds the password and the user's lists.
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd >= 0)
        close(fd);

    sqlite3* db = nullptr;
    int rc =
        sqlite3_open_v2(path.c_str(), &db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_close(db);
        return ERROR_CANTOPEN;
    }
    db_ = db;
    openerPid_ = getpid();
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);

    LONG error = CreateSchema();
    if (error == ERROR_SUCCESS)
        error = LoadHives();
    if (error != ERROR_SUCCESS) {
        std::string keep = path_;
        Close();
        path_ = keep;
    }
    return error;
}

LONG Store::CreateSchema() {
    // A file that is not a database fails here first (SQLITE_NOTADB). Any other failure to switch
    // (a read-only file, say) still leaves the file readable.
    int rc = Exec("PRAGMA journal_mode=WAL");
    if (rc != SQLITE_OK && RegistryErrorFromSqlite(rc, Access::Read) == ERROR_BADDB)
        return ERROR_BADDB;

    auto readVersion = [this](std::int64_t* version) {
        Statement query(*this, "PRAGMA user_version");
        if (query.PrepareError() != ERROR_SUCCESS)
            return query.PrepareError();
        int step = query.Step();
        if (step != SQLITE_ROW)
            return RegistryErrorFromSqlite(step, Access::Read);
        *version = query.ColumnInt(0);
        return ERROR_SUCCESS;
    };
    std::int64_t version = 0;
    LONG error = readVersion(&version);
    if (error != ERROR_SUCCESS)
        return error;
    if (version == kSchemaVersion)
        return ERROR_SUCCESS;
    if (version != 0)
        return ERROR_BADDB; // written by a newer program, or not a registry at all

    rc = Exec("BEGIN IMMEDIATE");
    if (rc != SQLITE_OK)
        return RegistryErrorFromSqlite(rc, Access::Write);
    rc = Exec(kSchemaSql);
    if (rc == SQLITE_OK)
        rc = Exec("COMMIT");
    if (rc != SQLITE_OK) {
        Exec("ROLLBACK");
        return RegistryErrorFromSqlite(rc, Access::Write);
    }
    return ERROR_SUCCESS;
}

LONG Store::LoadHives() {
    for (int hive = 0; hive < kHiveCount; ++hive) {
        Statement query(*this, "SELECT id FROM keys WHERE parent = ?1 AND uname = ?2");
        if (query.PrepareError() != ERROR_SUCCESS)
            return query.PrepareError();
        query.BindInt(1, kHiveParent);
        query.BindText(2, kHiveNames[hive]);
        int rc = query.Step();
        if (rc == SQLITE_DONE)
            return ERROR_BADDB;
        if (rc != SQLITE_ROW)
            return RegistryErrorFromSqlite(rc, Access::Read);
        hives_[hive] = query.ColumnInt(0);
    }
    return ERROR_SUCCESS;
}

void Store::Close() {
    for (auto& [sql, stmt] : statements_)
        sqlite3_finalize(stmt);
    statements_.clear();
    if (db_ != nullptr && openerPid_ == getpid())
        sqlite3_close(db_);
    db_ = nullptr;
    openerPid_ = 0;
    path_.clear();
    scopes_.clear();
    doomed_ = false;
    for (KeyId& hive : hives_)
        hive = 0;
}

sqlite3_stmt* Store::Prepare(const char* sql, int* rc) {
    *rc = SQLITE_OK;
    if (db_ == nullptr) {
        *rc = SQLITE_CANTOPEN;
        return nullptr;
    }
    auto found = statements_.find(sql);
    if (found != statements_.end())
        return found->second;
    sqlite3_stmt* stmt = nullptr;
    *rc = sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
    if (*rc != SQLITE_OK) {
        sqlite3_finalize(stmt);
        return nullptr;
    }
    statements_.emplace(sql, stmt);
    return stmt;
}

int Store::Exec(const char* sql) {
    if (db_ == nullptr)
        return SQLITE_CANTOPEN;
    return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
}

Store::Generation Store::CurrentGeneration() {
    Generation generation;
    Statement query(*this, "PRAGMA data_version");
    if (query.PrepareError() != ERROR_SUCCESS || query.Step() != SQLITE_ROW)
        return generation;
    generation.dataVersion = query.ColumnInt(0);
    generation.changes = sqlite3_total_changes64(db_);
    return generation;
}

void Store::TransactionBegin() {
    if (scopes_.empty()) {
        doomed_ = false;
        bool begun = Ensure() == ERROR_SUCCESS && Exec("BEGIN IMMEDIATE") == SQLITE_OK;
        scopes_.push_back(begun);
        doomed_ = !begun;
        return;
    }
    bool begun = !doomed_ && Exec("SAVEPOINT caller") == SQLITE_OK;
    scopes_.push_back(begun);
    if (!begun)
        doomed_ = true;
}

LONG Store::TransactionEnd(bool commit) {
    if (scopes_.empty())
        return ERROR_INVALID_PARAMETER;
    bool begun = scopes_.back();
    scopes_.pop_back();
    bool outermost = scopes_.empty();
    bool doomed = doomed_;
    if (outermost)
        doomed_ = false;
    if (!begun)
        return commit ? ERROR_CANTWRITE : ERROR_SUCCESS;

    if (outermost) {
        if (commit && !doomed) {
            int rc = Exec("COMMIT");
            if (rc == SQLITE_OK)
                return ERROR_SUCCESS;
            Exec("ROLLBACK");
            return RegistryErrorFromSqlite(rc, Access::Write);
        }
        Exec("ROLLBACK"); // may find no transaction when SQLite already undid it; that is fine
        return commit ? ERROR_CANTWRITE : ERROR_SUCCESS;
    }
    if (commit && !doomed) {
        int rc = Exec("RELEASE caller");
        if (rc == SQLITE_OK)
            return ERROR_SUCCESS;
        doomed_ = true;
        return RegistryErrorFromSqlite(rc, Access::Write);
    }
    Exec("ROLLBACK TO caller");
    Exec("RELEASE caller");
    return commit ? ERROR_CANTWRITE : ERROR_SUCCESS;
}

// ---- WriteScope -----------------------------------------------------------------------------

LONG WriteScope::Begin() {
    nested_ = store_.InTransaction();
    if (nested_) {
        if (store_.TransactionDoomed())
            return ERROR_CANTWRITE;
        int rc = store_.Exec("SAVEPOINT call");
        if (rc != SQLITE_OK)
            return Fail(rc);
        open_ = true;
        return ERROR_SUCCESS;
    }
    int rc = store_.Exec("BEGIN IMMEDIATE");
    if (rc != SQLITE_OK)
        return RegistryErrorFromSqlite(rc, Access::Write);
    open_ = true;
    return ERROR_SUCCESS;
}

LONG WriteScope::Commit() {
    if (!open_)
        return ERROR_CANTWRITE;
    int rc = store_.Exec(nested_ ? "RELEASE call" : "COMMIT");
    if (rc != SQLITE_OK)
        return Fail(rc); // the destructor rolls back
    open_ = false;
    return ERROR_SUCCESS;
}

LONG WriteScope::Fail(int rc) {
    if (nested_)
        store_.DoomTransaction();
    return RegistryErrorFromSqlite(rc, Access::Write);
}

WriteScope::~WriteScope() {
    if (!open_)
        return;
    if (nested_) {
        store_.Exec("ROLLBACK TO call");
        store_.Exec("RELEASE call");
        return;
    }
    store_.Exec("ROLLBACK");
}

} // namespace hookwise::platform::registry
