#pragma once

#include <grp.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

namespace corvane::test {

// Direct access to a store file, to prepare keys the accessor would never write
// and to look at what it did write.
class StoreFile {
public:
    struct Value {
        int type = 0;
        std::string data;
        bool operator==(const Value&) const = default;
    };

    explicit StoreFile(const std::string& path) {
        if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
            const std::string message = sqlite3_errmsg(db_);
            sqlite3_close(db_);
            throw std::runtime_error("cannot open " + path + ": " + message);
        }
        sqlite3_busy_timeout(db_, 5000);
    }
    ~StoreFile() { sqlite3_close(db_); }
    StoreFile(const StoreFile&) = delete;
    StoreFile& operator=(const StoreFile&) = delete;

    void Exec(const std::string& sql) {
        char* error = nullptr;
        if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
            const std::string message = error != nullptr ? error : "";
            sqlite3_free(error);
            throw std::runtime_error(sql + ": " + message);
        }
    }

    void Put(const std::string& key, const std::string& name, int type, const std::string& data) {
        Query query(db_,
                    "INSERT OR REPLACE INTO \"values\" (key, name, type, data) "
                    "VALUES (?1, ?2, ?3, ?4)");
        query.Text(1, key).Text(2, name);
        sqlite3_bind_int(query.statement, 3, type);
        sqlite3_bind_blob(query.statement, 4, data.data(), static_cast<int>(data.size()),
                          SQLITE_TRANSIENT);
        if (data.empty()) {
            sqlite3_bind_zeroblob(query.statement, 4, 0);
        }
        query.Run();
    }

    void Delete(const std::string& key, const std::string& name) {
        Query(db_, "DELETE FROM \"values\" WHERE key = ?1 AND name = ?2")
            .Text(1, key)
            .Text(2, name)
            .Run();
    }

    std::optional<Value> Get(const std::string& key, const std::string& name) {
        std::optional<Value> value;
        Query(db_, "SELECT type, data FROM \"values\" WHERE key = ?1 AND name = ?2")
            .Text(1, key)
            .Text(2, name)
            .Run([&](sqlite3_stmt* row) {
                value = Value{sqlite3_column_int(row, 0), Column(row, 1)};
            });
        return value;
    }

    // The stored spelling of every name in `key`, in byte order, joined by ",".
    std::string Names(const std::string& key) {
        std::string names;
        Query(db_, "SELECT name FROM \"values\" WHERE key = ?1 ORDER BY name COLLATE BINARY")
            .Text(1, key)
            .Run([&](sqlite3_stmt* row) { names += (names.empty() ? "" : ",") + Column(row, 0); });
        return names;
    }

    // The first column of every row of a constant query, joined by ",".
    std::string Column0(const std::string& sql) {
        std::string result;
        Query(db_, sql).Run(
            [&](sqlite3_stmt* row) { result += (result.empty() ? "" : ",") + Column(row, 0); });
        return result;
    }

private:
    static std::string Column(sqlite3_stmt* row, int column) {
        const auto* bytes = static_cast<const char*>(sqlite3_column_blob(row, column));
        return bytes == nullptr
                   ? std::string()
                   : std::string(bytes, static_cast<size_t>(sqlite3_column_bytes(row, column)));
    }

    struct Query {
        Query(sqlite3* database, const std::string& sql) : db(database) {
            if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
                throw std::runtime_error(sql + ": " + sqlite3_errmsg(db));
            }
        }
        ~Query() { sqlite3_finalize(statement); }
        Query(const Query&) = delete;
        Query& operator=(const Query&) = delete;

        Query& Text(int index, const std::string& text) {
            sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()),
                              SQLITE_TRANSIENT);
            return *this;
        }
        void Run(const std::function<void(sqlite3_stmt*)>& onRow = {}) {
            int rc = SQLITE_ROW;
            while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
                if (onRow) {
                    onRow(statement);
                }
            }
            if (rc != SQLITE_DONE) {
                throw std::runtime_error(std::string("query failed: ") + sqlite3_errmsg(db));
            }
        }

        sqlite3* db;
        sqlite3_stmt* statement = nullptr;
    };

    sqlite3* db_ = nullptr;
};

// A REG_SZ's data: the text and one zero byte.
inline std::string SzData(const std::string& text) {
    return text + std::string(1, '\0');
}

// A REG_DWORD's data: four bytes, little-endian.
inline std::string DwordData(uint32_t value) {
    std::string bytes;
    for (int i = 0; i < 4; ++i) {
        bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFFu));
    }
    return bytes;
}

// A forked child running a body; its result comes back through a pipe.
struct Child {
    pid_t pid = -1;
    int output = -1;
};

// Starts `body` in a forked child. Permission bits do not stop root, so when
// the tests run as root and `tree` is given, the child hands `tree` to the
// unprivileged user nobody and becomes that user first.
inline Child StartChild(const std::function<std::string()>& body, const std::string& tree = {}) {
    int fds[2];
    if (::pipe(fds) != 0) {
        return {};
    }
    const pid_t pid = ::fork();
    if (pid != 0) {
        ::close(fds[1]);
        if (pid < 0) {
            ::close(fds[0]);
            return {};
        }
        return {pid, fds[0]};
    }
    ::close(fds[0]);
    std::string output;
    try {
        if (!tree.empty() && ::geteuid() == 0) {
            constexpr uid_t kNobody = 65534;
            namespace fs = std::filesystem;
            bool handed = ::lchown(tree.c_str(), kNobody, kNobody) == 0;
            for (const auto& entry : fs::recursive_directory_iterator(tree)) {
                handed = handed && ::lchown(entry.path().c_str(), kNobody, kNobody) == 0;
            }
            if (!handed || ::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 ||
                ::setuid(kNobody) != 0) {
                throw std::runtime_error("cannot hand the tree to nobody");
            }
        }
        output = body();
    } catch (const std::exception& error) {
        output = std::string("exception: ") + error.what();
    }
    size_t written = 0;
    while (written < output.size()) {
        const ssize_t n = ::write(fds[1], output.data() + written, output.size() - written);
        if (n <= 0) {
            break;
        }
        written += static_cast<size_t>(n);
    }
    // No exit handlers: the parent's test state must not run a second time.
    ::_exit(0);
}

// What the child's body returned, or how the child failed.
inline std::string FinishChild(const Child& child) {
    if (child.pid < 0) {
        return "the child could not be started";
    }
    std::string output;
    char buffer[4096];
    ssize_t n = 0;
    while ((n = ::read(child.output, buffer, sizeof buffer)) > 0) {
        output.append(buffer, static_cast<size_t>(n));
    }
    ::close(child.output);
    int status = 0;
    ::waitpid(child.pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return "the child ended abnormally, status " + std::to_string(status);
    }
    return output;
}

inline std::string RunInChild(const std::function<std::string()>& body,
                              const std::string& tree = {}) {
    return FinishChild(StartChild(body, tree));
}

}  // namespace corvane::test
