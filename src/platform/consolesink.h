#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace corvane {

// Where a shown encoder's standard output and error go: one console per child,
// opened when the child starts and closed when the object goes (the child has ended).
class ConsoleSink {
public:
    virtual ~ConsoleSink() = default;
    virtual void Append(std::string_view bytes) = 0;
};

// Opens the console of one child; the text is the child's command line.
using ConsoleFactory = std::function<std::unique_ptr<ConsoleSink>(const std::string& commandLine)>;

}  // namespace corvane
