#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvane {

// Program name under which both encoders are started.
inline constexpr std::string_view kEncoderProgram = "aacenc.exe";

// Inputs that a run takes once when it starts and holds for every file.
struct CommandLineInputs {
    int32_t encoder = 0;
    std::string bitrateText;       // the bitrate box's shown text, e.g. "128000 "
    int32_t bitratePosition = -1;  // the bitrate box's index, -1 when none
    std::string sourceFolder;      // the file list's folder
    std::string outputFolder;      // the output folder label's caption
    char separator = '/';
};

// Path of the source file as the command line names it (unescaped).
std::string SourcePath(const CommandLineInputs& inputs, std::string_view fileName);

// Path of the output file as the command line names it (unescaped): the output
// prefix and the name with its last four characters replaced by ".aac".
std::string OutputPath(const CommandLineInputs& inputs, std::string_view fileName);

// The encoder's command line for one file; none for an encoder other than 0 and 1.
std::optional<std::string> BuildCommandLine(const CommandLineInputs& inputs,
                                            std::string_view fileName);

// The folder an encoder is started from; none for an encoder other than 0 and 1.
std::optional<std::string> EncoderDir(int32_t encoder, std::string_view homeDirCaption,
                                      std::string_view quarDirCaption);

}  // namespace corvane
