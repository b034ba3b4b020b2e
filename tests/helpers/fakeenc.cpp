// Stands in for aacenc.exe in the batch-run tests. It takes either command-line
// form, reads the source file for directives (one per line: "sleep MS",
// "exit N", "nooutput", "emptyoutput"), writes the output file unless told not
// to, and appends "<cwd>\t<source>\t<output>" to the file named by
// CORVANE_FAKEENC_LOG when that is set.
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string source;
    std::string output;
    if (!args.empty() && args[0] == "-m") {
        for (size_t i = 0; i < args.size(); ++i) {
            if (args[i] == "-o" && i + 1 < args.size()) {
                output = args[i + 1];
            }
        }
        if (args.size() >= 3) {
            source = args[args.size() - 3];
        }
    } else if (args.size() == 3) {
        source = args[0];
        output = args[1];
    } else {
        std::cerr << "usage: fakeenc (homeboy or quartex form)\n";
        return 2;
    }

    if (const char* log = std::getenv("CORVANE_FAKEENC_LOG")) {
        char cwd[4096] = {};
        if (::getcwd(cwd, sizeof cwd) == nullptr) {
            cwd[0] = '?';
        }
        std::ofstream(log, std::ios::app) << cwd << '\t' << source << '\t' << output << '\n';
    }

    std::ifstream in(source, std::ios::binary);
    if (!in) {
        std::cerr << "cannot read " << source << "\n";
        return 3;
    }
    std::stringstream content;
    content << in.rdbuf();
    bool writeOutput = true;
    bool emptyOutput = false;
    int exitCode = 0;
    std::string line;
    while (std::getline(content, line)) {
        std::istringstream words(line);
        std::string word;
        words >> word;
        if (word == "sleep") {
            int ms = 0;
            words >> ms;
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        } else if (word == "exit") {
            words >> exitCode;
        } else if (word == "nooutput") {
            writeOutput = false;
        } else if (word == "emptyoutput") {
            emptyOutput = true;
        }
    }
    if (writeOutput) {
        std::ofstream out(output, std::ios::binary | std::ios::trunc);
        if (!emptyOutput) {
            out << "encoded " << source << '\n';
        }
    }
    return exitCode;
}
