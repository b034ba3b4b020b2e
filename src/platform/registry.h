#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/exception.h"

struct sqlite3;

namespace corvane {

// Registry value types as the store records them.
inline constexpr int kRegSz = 1;
inline constexpr int kRegExpandSz = 2;
inline constexpr int kRegBinary = 3;
inline constexpr int kRegDword = 4;

// A key that the store could not create or a value that it refused to write.
// Message() is the registry's own text; Detail() names the store file and the cause.
class ERegistryWriteError : public ERegistryException {
public:
    ERegistryWriteError(std::string message, std::string detail)
        : ERegistryException(std::move(message)), detail_(std::move(detail)) {}
    const std::string& Detail() const noexcept { return detail_; }

private:
    std::string detail_;
};

// $XDG_CONFIG_HOME/corvane/registry.sqlite3, or under $HOME/.config when
// XDG_CONFIG_HOME is unset, empty or not absolute.
std::string DefaultStorePath();

// Accessor of the per-user store, rooted at HKEY_CURRENT_USER, holding at most
// one open key (the current key). Key paths use "\" between levels; a leading
// "\" starts from the root, any other path from the current key. Key paths and
// value names compare without regard to ASCII letter case.
//
// The database is opened on first use and never created before a key is.
// A store file that is not a database or is damaged raises EStoreError; the
// file is left as it is.
class TRegistry {
public:
    TRegistry();
    explicit TRegistry(std::string storePath);
    ~TRegistry();
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    const std::string& StorePath() const { return storePath_; }
    // The current key's path below the root as stored, or nothing when no key is open.
    const std::optional<std::string>& CurrentKey() const { return currentKey_; }

    // True when the key exists and the store can be written.
    bool KeyExists(const std::string& key);
    // Creates the key and its parents; the current key does not change.
    // Raises ERegistryWriteError "Failed to create key <key>" on failure.
    void CreateKey(const std::string& key);
    // Makes the key the current key, closing the previous one; false (and the
    // current key unchanged) when it does not exist, cannot be created, or the
    // store cannot be written.
    bool OpenKey(const std::string& key, bool canCreate = false);
    void CloseKey();

    // REG_SZ or REG_EXPAND_SZ data up to its first zero byte, taken literally;
    // a missing value or empty data reads as empty text.
    std::string ReadString(const std::string& name);
    // Queried into four bytes: missing or longer data raises "Failed to get
    // data for '<name>'", any type but REG_DWORD "Invalid data type for '<name>'".
    int32_t ReadInteger(const std::string& name);
    bool ReadBool(const std::string& name);

    // Into the current key, each committed at once; a refusal raises
    // ERegistryWriteError "Failed to set data for '<name>'".
    void WriteString(const std::string& name, const std::string& value);
    void WriteInteger(const std::string& name, int32_t value);
    void WriteBool(const std::string& name, bool value);

private:
    struct StoredValue {
        int type = 0;
        std::string data;
    };

    std::string ResolvePath(const std::string& key) const;
    // The open database; nothing when the file is missing (and `create` is
    // false) or cannot be opened, with the reason in `error`.
    sqlite3* Connection(bool create, std::string* error);
    std::optional<std::string> WhyNotWritable() const;
    bool HasTable(const char* table);
    // The stored spelling of an existing key's path.
    std::optional<std::string> FindKey(const std::string& path);
    // The stored path when the key exists and the store can be written.
    std::optional<std::string> OpenableKey(const std::string& path);
    void CreateKeyAt(const std::string& path, const std::string& shownKey);
    void EnsureSchema(const std::string& failure);
    std::optional<StoredValue> QueryValue(const std::string& name);
    void PutValue(const std::string& name, int type, const std::string& data);

    std::string StoreText(const std::string& what) const;
    std::string SqliteMessage(int rc) const;
    [[noreturn]] void ThrowReadError(int rc) const;
    [[noreturn]] void ThrowWriteError(int rc, const std::string& message) const;

    std::string storePath_;
    sqlite3* db_ = nullptr;
    std::optional<std::string> currentKey_;
};

}  // namespace corvane
