#include "platform/cmdline.h"

namespace corvane {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view line) {
    std::vector<std::string> args;
    size_t i = 0;
    const size_t n = line.size();

    // Program name: no backslash processing, quotes only toggle.
    {
        std::string program;
        bool quoted = false;
        while (i < n && (quoted || !IsBlank(line[i]))) {
            if (line[i] == '"') {
                quoted = !quoted;
            } else {
                program += line[i];
            }
            ++i;
        }
        if (n == 0) {
            return args;
        }
        args.push_back(std::move(program));
    }

    while (true) {
        while (i < n && IsBlank(line[i])) {
            ++i;
        }
        if (i >= n) {
            break;
        }
        std::string arg;
        bool quoted = false;
        while (i < n && (quoted || !IsBlank(line[i]))) {
            if (line[i] == '\\') {
                size_t slashes = 0;
                while (i < n && line[i] == '\\') {
                    ++slashes;
                    ++i;
                }
                if (i < n && line[i] == '"') {
                    arg.append(slashes / 2, '\\');
                    if (slashes % 2 == 1) {
                        arg += '"';
                        ++i;
                    }
                } else {
                    arg.append(slashes, '\\');
                }
                continue;
            }
            if (line[i] == '"') {
                if (quoted && i + 1 < n && line[i + 1] == '"') {
                    arg += '"';
                    i += 2;
                    continue;
                }
                quoted = !quoted;
                ++i;
                continue;
            }
            arg += line[i];
            ++i;
        }
        args.push_back(std::move(arg));
    }
    return args;
}

std::string EscapeQuoted(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    size_t slashes = 0;
    for (char c : text) {
        if (c == '\\') {
            ++slashes;
            continue;
        }
        if (c == '"') {
            out.append(slashes * 2 + 1, '\\');
            out += '"';
        } else {
            out.append(slashes, '\\');
            out += c;
        }
        slashes = 0;
    }
    out.append(slashes * 2, '\\');
    return out;
}

}  // namespace corvane
