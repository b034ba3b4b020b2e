#include "platform/registry.h"

#include <pwd.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

namespace fs = std::filesystem;

namespace corvane {

namespace {

// Long enough for a second Corvane to finish its save; short enough that a
// store held locked by something stuck still ends in an error the user sees.
constexpr int kBusyTimeoutMs = 5000;

constexpr const char* kSchemaSql =
    "BEGIN IMMEDIATE;"
    "CREATE TABLE IF NOT EXISTS keys   (path TEXT PRIMARY KEY COLLATE NOCASE);\n"
    "CREATE TABLE IF NOT EXISTS \"values\" (key  TEXT NOT NULL COLLATE NOCASE,\n"
    "                                     name TEXT NOT NULL COLLATE NOCASE,\n"
    "                                     type INTEGER NOT NULL,\n"
    "                                     data BLOB NOT NULL,\n"
    "                                     PRIMARY KEY (key, name));"
    "COMMIT;";

// A prepared statement that is finalized when it goes. A failed prepare or
// bind is kept and returned by the first Step, so callers check one code.
class Statement {
public:
    Statement(sqlite3* db, const char* sql) {
        rc_ = sqlite3_prepare_v2(db, sql, -1, &statement_, nullptr);
    }
    ~Statement() { sqlite3_finalize(statement_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    void BindText(int index, const std::string& text) {
        if (rc_ == SQLITE_OK) {
            rc_ = text.size() > INT_MAX
                      ? SQLITE_TOOBIG
                      : sqlite3_bind_text(statement_, index, text.data(),
                                          static_cast<int>(text.size()), SQLITE_TRANSIENT);
        }
    }
    void BindInt(int index, int value) {
        if (rc_ == SQLITE_OK) {
            rc_ = sqlite3_bind_int(statement_, index, value);
        }
    }
    void BindBlob(int index, const std::string& bytes) {
        if (rc_ != SQLITE_OK) {
            return;
        }
        if (bytes.size() > INT_MAX) {
            rc_ = SQLITE_TOOBIG;
        } else if (bytes.empty()) {
            rc_ = sqlite3_bind_zeroblob(statement_, index, 0);
        } else {
            rc_ = sqlite3_bind_blob(statement_, index, bytes.data(), static_cast<int>(bytes.size()),
                                    SQLITE_TRANSIENT);
        }
    }

    int Step() { return rc_ == SQLITE_OK ? sqlite3_step(statement_) : rc_; }

    std::string ColumnBytes(int column) const {
        const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement_, column));
        const int size = sqlite3_column_bytes(statement_, column);
        return bytes == nullptr ? std::string() : std::string(bytes, static_cast<size_t>(size));
    }
    int ColumnInt(int column) const { return sqlite3_column_int(statement_, column); }

private:
    sqlite3_stmt* statement_ = nullptr;
    int rc_ = SQLITE_OK;
};

bool IsDamage(int rc) {
    const int primary = rc & 0xff;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

std::vector<std::string> Split(const std::string& path) {
    std::vector<std::string> segments;
    size_t start = 0;
    while (start <= path.size()) {
        const size_t end = std::min(path.find('\\', start), path.size());
        if (end > start) {
            segments.push_back(path.substr(start, end - start));
        }
        start = end + 1;
    }
    return segments;
}

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] != '\0') {
        return home;
    }
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_dir != nullptr) {
        return found->pw_dir;
    }
    return {};
}

std::string Absolute(const std::string& path) {
    std::error_code ec;
    const fs::path absolute = fs::absolute(path, ec);
    return ec ? path : absolute.lexically_normal().string();
}

std::string DwordBytes(int32_t value) {
    const auto bits = static_cast<uint32_t>(value);
    std::string bytes(4, '\0');
    for (size_t i = 0; i < 4; ++i) {
        bytes[i] = static_cast<char>((bits >> (8 * i)) & 0xFFu);
    }
    return bytes;
}

}  // namespace

std::string DefaultStorePath() {
    // A relative XDG_CONFIG_HOME would move the store with every change of the
    // current directory, which the folder browser makes all the time.
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    std::string base = configHome != nullptr && configHome[0] == '/' ? std::string(configHome)
                                                                     : HomeFolder() + "/.config";
    return Absolute(base + "/corvane/registry.sqlite3");
}

TRegistry::TRegistry() : storePath_(DefaultStorePath()) {}

TRegistry::TRegistry(std::string storePath) : storePath_(Absolute(storePath)) {}

TRegistry::~TRegistry() {
    CloseKey();
    if (db_ != nullptr) {
        sqlite3_close_v2(db_);
    }
}

std::string TRegistry::ResolvePath(const std::string& key) const {
    std::string combined;
    if (!key.empty() && key.front() == '\\') {
        combined = key;
    } else if (currentKey_.has_value()) {
        combined = *currentKey_ + '\\' + key;
    } else {
        combined = key;
    }
    std::string path;
    for (const auto& segment : Split(combined)) {
        if (!path.empty()) {
            path += '\\';
        }
        path += segment;
    }
    return path;
}

std::string TRegistry::SqliteMessage(int rc) const {
    std::string message = db_ != nullptr ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
    const int primary = rc & 0xff;
    const int systemError = db_ != nullptr ? sqlite3_system_errno(db_) : 0;
    if (systemError != 0 &&
        (primary == SQLITE_IOERR || primary == SQLITE_CANTOPEN || primary == SQLITE_FULL)) {
        message += " (" + std::string(std::strerror(systemError)) + ")";
    }
    return message;
}

std::string TRegistry::StoreText(const std::string& what) const {
    return "The settings store " + storePath_ + " " + what;
}

void TRegistry::ThrowReadError(int rc) const {
    if (IsDamage(rc)) {
        throw EStoreError(StoreText("is damaged or not a database: " + SqliteMessage(rc)));
    }
    throw EStoreError(StoreText("cannot be read: " + SqliteMessage(rc)));
}

void TRegistry::ThrowWriteError(int rc, const std::string& message) const {
    if (IsDamage(rc)) {
        ThrowReadError(rc);
    }
    throw ERegistryWriteError(message, StoreText("cannot be written: " + SqliteMessage(rc)));
}

sqlite3* TRegistry::Connection(bool create, std::string* error) {
    if (db_ != nullptr) {
        return db_;
    }
    struct stat status {};
    if (::stat(storePath_.c_str(), &status) == 0) {
        if (!S_ISREG(status.st_mode)) {
            throw EStoreError(StoreText("is damaged or not a database: it is not a file"));
        }
    } else if (!create) {
        return nullptr;
    }
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(storePath_.c_str(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        if (error != nullptr) {
            std::string message = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
            if (db != nullptr && sqlite3_system_errno(db) != 0) {
                message += " (" + std::string(std::strerror(sqlite3_system_errno(db))) + ")";
            }
            *error = StoreText("cannot be opened: " + message);
        }
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    db_ = db;
    return db_;
}

std::optional<std::string> TRegistry::WhyNotWritable() const {
    if (sqlite3_db_readonly(db_, "main") == 1 || ::access(storePath_.c_str(), W_OK) != 0) {
        return StoreText("cannot be written: the file is read-only");
    }
    // A write needs its rollback journal beside the file.
    const std::string folder = fs::path(storePath_).parent_path().string();
    if (::access(folder.c_str(), W_OK | X_OK) != 0) {
        return StoreText("cannot be written: its folder " + folder + " is read-only");
    }
    return std::nullopt;
}

bool TRegistry::HasTable(const char* table) {
    Statement statement(db_, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1");
    statement.BindText(1, table);
    const int rc = statement.Step();
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
        ThrowReadError(rc);
    }
    return rc == SQLITE_ROW;
}

std::optional<std::string> TRegistry::FindKey(const std::string& path) {
    if (!HasTable("keys")) {
        return std::nullopt;
    }
    Statement statement(db_, "SELECT path FROM keys WHERE path = ?1");
    statement.BindText(1, path);
    const int rc = statement.Step();
    if (rc == SQLITE_ROW) {
        return statement.ColumnBytes(0);
    }
    if (rc != SQLITE_DONE) {
        ThrowReadError(rc);
    }
    return std::nullopt;
}

std::optional<std::string> TRegistry::OpenableKey(const std::string& path) {
    if (Connection(false, nullptr) == nullptr) {
        return std::nullopt;
    }
    std::optional<std::string> stored = FindKey(path);
    if (path.empty() && !stored.has_value()) {
        stored = std::string();
    }
    if (!stored.has_value() || WhyNotWritable().has_value()) {
        return std::nullopt;
    }
    return stored;
}

void TRegistry::EnsureSchema(const std::string& failure) {
    if (HasTable("keys") && HasTable("values")) {
        return;
    }
    const int rc = sqlite3_exec(db_, kSchemaSql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        const std::string message = SqliteMessage(rc);
        if (sqlite3_get_autocommit(db_) == 0) {
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        }
        if (IsDamage(rc)) {
            throw EStoreError(StoreText("is damaged or not a database: " + message));
        }
        throw ERegistryWriteError(failure, StoreText("cannot be written: " + message));
    }
}

void TRegistry::CreateKeyAt(const std::string& path, const std::string& shownKey) {
    const std::string failure = "Failed to create key " + shownKey;
    const fs::path folder = fs::path(storePath_).parent_path();
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) {
        throw ERegistryWriteError(failure, "The settings folder " + folder.string() +
                                               " cannot be created: " + ec.message());
    }
    std::string openError;
    if (Connection(true, &openError) == nullptr) {
        throw ERegistryWriteError(failure, openError);
    }
    if (auto reason = WhyNotWritable()) {
        throw ERegistryWriteError(failure, *reason);
    }
    EnsureSchema(failure);
    std::string parent;
    for (const auto& segment : Split(path)) {
        const std::string candidate = parent.empty() ? segment : parent + '\\' + segment;
        Statement statement(db_, "INSERT OR IGNORE INTO keys (path) VALUES (?1)");
        statement.BindText(1, candidate);
        const int rc = statement.Step();
        if (rc != SQLITE_DONE) {
            ThrowWriteError(rc, failure);
        }
        // Keep the letter case of a level that already existed.
        parent = FindKey(candidate).value_or(candidate);
    }
}

bool TRegistry::KeyExists(const std::string& key) {
    return OpenableKey(ResolvePath(key)).has_value();
}

void TRegistry::CreateKey(const std::string& key) {
    CreateKeyAt(ResolvePath(key), key);
}

bool TRegistry::OpenKey(const std::string& key, bool canCreate) {
    const std::string path = ResolvePath(key);
    std::optional<std::string> stored = OpenableKey(path);
    if (!stored.has_value() && canCreate) {
        try {
            CreateKeyAt(path, key);
        } catch (const ERegistryWriteError&) {
            return false;
        }
        stored = OpenableKey(path);
    }
    if (!stored.has_value()) {
        return false;
    }
    currentKey_ = std::move(stored);
    return true;
}

void TRegistry::CloseKey() {
    currentKey_.reset();
}

std::optional<TRegistry::StoredValue> TRegistry::QueryValue(const std::string& name) {
    if (!currentKey_.has_value() || db_ == nullptr || !HasTable("values")) {
        return std::nullopt;
    }
    Statement statement(db_, "SELECT type, data FROM \"values\" WHERE key = ?1 AND name = ?2");
    statement.BindText(1, *currentKey_);
    statement.BindText(2, name);
    const int rc = statement.Step();
    if (rc == SQLITE_ROW) {
        return StoredValue{statement.ColumnInt(0), statement.ColumnBytes(1)};
    }
    if (rc != SQLITE_DONE) {
        ThrowReadError(rc);
    }
    return std::nullopt;
}

std::string TRegistry::ReadString(const std::string& name) {
    const auto value = QueryValue(name);
    if (!value.has_value() || value->data.empty()) {
        return {};
    }
    if (value->type != kRegSz && value->type != kRegExpandSz) {
        throw ERegistryException("Invalid data type for '" + name + "'");
    }
    return value->data.substr(0, value->data.find('\0'));
}

int32_t TRegistry::ReadInteger(const std::string& name) {
    const auto value = QueryValue(name);
    if (!value.has_value() || value->data.size() > 4) {
        throw ERegistryException("Failed to get data for '" + name + "'");
    }
    if (value->type != kRegDword) {
        throw ERegistryException("Invalid data type for '" + name + "'");
    }
    uint32_t bits = 0;
    for (size_t i = 0; i < value->data.size(); ++i) {
        bits |= static_cast<uint32_t>(static_cast<unsigned char>(value->data[i])) << (8 * i);
    }
    return static_cast<int32_t>(bits);
}

bool TRegistry::ReadBool(const std::string& name) {
    return ReadInteger(name) != 0;
}

void TRegistry::PutValue(const std::string& name, int type, const std::string& data) {
    const std::string failure = "Failed to set data for '" + name + "'";
    if (!currentKey_.has_value() || db_ == nullptr) {
        throw ERegistryWriteError(failure, StoreText("has no key open"));
    }
    Statement statement(db_,
                        "INSERT INTO \"values\" (key, name, type, data) VALUES (?1, ?2, ?3, ?4) "
                        "ON CONFLICT (key, name) DO UPDATE SET type = excluded.type, "
                        "data = excluded.data");
    statement.BindText(1, *currentKey_);
    statement.BindText(2, name);
    statement.BindInt(3, type);
    statement.BindBlob(4, data);
    const int rc = statement.Step();
    if (rc != SQLITE_DONE) {
        ThrowWriteError(rc, failure);
    }
}

void TRegistry::WriteString(const std::string& name, const std::string& value) {
    std::string data = value;
    data.push_back('\0');
    PutValue(name, kRegSz, data);
}

void TRegistry::WriteInteger(const std::string& name, int32_t value) {
    PutValue(name, kRegDword, DwordBytes(value));
}

void TRegistry::WriteBool(const std::string& name, bool value) {
    WriteInteger(name, value ? 1 : 0);
}

}  // namespace corvane
