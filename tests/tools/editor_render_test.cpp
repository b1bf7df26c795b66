// tw-editor-render run as a user runs it: the picture it writes, and the exit
// code and message of each mistake.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "editor/picture_decoder.h"

namespace {

struct ToolRun {
    int exitCode = -1;
    std::string output;
};

ToolRun RenderEditor(const std::string& arguments) {
    const std::string command = std::string(TW_EDITOR_RENDER) + " " + arguments + " 2>&1";
    ToolRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return run;
    char buffer[256];
    while (fgets(buffer, sizeof buffer, pipe) != nullptr) run.output += buffer;
    const int status = pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// A file name of this process's own, so parallel runs do not meet.
std::string Scratch(const char* name) {
    return (std::filesystem::temp_directory_path() / (std::to_string(getpid()) + name)).string();
}

std::string Quoted(const std::string& text) {
    std::string quoted(1, '"');
    quoted.append(text).push_back('"');
    return quoted;
}

TEST(EditorRender, WritesTheEditorAtTheAskedScales) {
    const struct {
        const char* options;
        int width, height;
    } kCases[] = {
        {"", 248, 662},
        {"--scale 1.5 --set \"Preamp Gain=12 dB\" --set \"HighPass=80 Hz\" --bubble \"Preamp "
         "Gain\" "
         "--highlight \"Low Gain=green\" --disabled \"Output Trim\"",
         372, 993},
        {"--screen-scale 2 --scale 0.5", 248, 662},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.options);
        const std::string out = Scratch("tw-editor-render-test.png");
        std::string arguments = Quoted(out);
        arguments.append(" ").append(c.options);
        const ToolRun run = RenderEditor(arguments);
        ASSERT_EQ(run.exitCode, 0) << run.output;
        const DecodedPicture picture = DecodePictureFile(out);
        EXPECT_EQ(picture.width, c.width);
        EXPECT_EQ(picture.height, c.height);
        std::filesystem::remove(out);
    }
}

TEST(EditorRender, EachMistakeHasItsCodeAndNamesWhatIsWrong) {
    const std::string out = Quoted(Scratch("tw-editor-render-mistake.png"));
    const struct {
        std::string arguments;
        int exitCode;
        const char* named;  // in the message
    } kCases[] = {
        {out + " --set \"Treble=3\"", 8, "Treble"},
        {out + " --bubble Nothing", 8, "Nothing"},
        {out + " --set \"HighPass=banana\"", 9, "banana"},
        {out + " --set \"Preamp Gain=99\"", 9, "99"},
        {out + " --set Preamp", 1, "NAME=TEXT"},
        {out + " --highlight \"HighPass=purple\"", 1, "purple"},
        {out + " --scale 7", 1, "7"},
        {"/no/such/folder/editor.png", 10, "/no/such/folder/editor.png"},
        {"", 1, "OUT.png"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.arguments);
        const ToolRun run = RenderEditor(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.output;
        EXPECT_NE(run.output.find(c.named), std::string::npos) << run.output;
    }
    EXPECT_EQ(RenderEditor("--help").exitCode, 0);
}

}  // namespace
