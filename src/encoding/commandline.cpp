#include "encoding/commandline.h"

#include <algorithm>

#include "platform/cmdline.h"
#include "settings/choices.h"

namespace corvane {

namespace {

std::string Quoted(std::string_view path) {
    std::string out = "\"";
    out += EscapeQuoted(path);
    out += '"';
    return out;
}

std::string_view QuartexBitrateToken(int32_t position) {
    switch (position) {
        case 4:
            return "64";
        case 6:
            return "96";
        default:
            return "128";
    }
}

}  // namespace

std::string SourcePath(const CommandLineInputs& inputs, std::string_view fileName) {
    std::string path = inputs.sourceFolder;
    path += inputs.separator;
    path += fileName;
    return path;
}

std::string OutputPath(const CommandLineInputs& inputs, std::string_view fileName) {
    std::string path;
    if (!inputs.outputFolder.empty()) {
        path = inputs.outputFolder;
        path += inputs.separator;
    }
    path += fileName;
    // The last four characters go whatever they are; a text shorter than that
    // loses what it has rather than reaching past its start.
    path.resize(path.size() - std::min<size_t>(4, path.size()));
    path += ".aac";
    return path;
}

std::optional<std::string> BuildCommandLine(const CommandLineInputs& inputs,
                                            std::string_view fileName) {
    std::string line(kEncoderProgram);
    switch (inputs.encoder) {
        case kHomeboyEncoder:
            line += " -m tf -eb .aac -r ";
            line += inputs.bitrateText;
            line += "-c -aac_raw -vr -eo .wav  ";
            line += Quoted(SourcePath(inputs, fileName));
            line += " -o ";
            line += Quoted(OutputPath(inputs, fileName));
            return line;
        case kQuartexEncoder:
            line += ' ';
            line += Quoted(SourcePath(inputs, fileName));
            line += ' ';
            line += Quoted(OutputPath(inputs, fileName));
            line += ' ';
            line += QuartexBitrateToken(inputs.bitratePosition);
            return line;
        default:
            return std::nullopt;
    }
}

std::optional<std::string> EncoderDir(int32_t encoder, std::string_view homeDirCaption,
                                      std::string_view quarDirCaption) {
    switch (encoder) {
        case kHomeboyEncoder:
            return std::string(homeDirCaption);
        case kQuartexEncoder:
            return std::string(quarDirCaption);
        default:
            return std::nullopt;
    }
}

}  // namespace corvane
