#pragma once

namespace corvane {

// Per-user settings store accessor; its operations arrive with the store.
class TRegistry {
public:
    TRegistry() = default;
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;
    ~TRegistry() = default;
};

}  // namespace corvane
