// The hpi-host tool as a user runs it: help texts, the info report and its
// JSON, parameter options by name and identifier, state files, and a distinct
// exit code for each kind of failure.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli.h"
#include "host_test_support.h"
#include "hpi/sdk/hpi_types.h"

namespace {

using hosttest::Channels;
using hosttest::RunTool;
using hosttest::ScratchDir;

class HpiHostTool : public ::testing::Test {
protected:
    void SetUp() override {
        mStereo = mScratch / "stereo.wav";
        mInput = {hosttest::Sine(220.0, 0.5, 12000), hosttest::Sine(3300.0, 0.25, 12000)};
        ASSERT_TRUE(hosttest::WriteWav(mStereo, mInput));
    }

    // Renders the stereo input with these options; answers the output.
    Channels Render(std::vector<std::string> options, const std::string& name = "out.wav") {
        std::vector<std::string> args = {"render", hosttest::kModulePath, mStereo, mScratch / name,
                                         "--quiet"};
        args.insert(args.end(), options.begin(), options.end());
        const hosttest::ToolRun run = RunTool(args, mScratch);
        EXPECT_EQ(run.mExitCode, 0) << run.mErr;
        return hosttest::ReadWav(mScratch / name);
    }

    ScratchDir mScratch;
    std::string mStereo;
    Channels mInput;
};

TEST_F(HpiHostTool, HelpTextsListTheCommandsOptionsAndExitCodes) {
    struct HelpCase {
        std::vector<std::string> mArgs;
        int mExitCode;
        const char* mPart;
    };
    const HelpCase cases[] = {
        {{"--help"}, 0, "Exit codes"},
        {{"--help"}, 0, "12  rendering failed"},
        {{"--help"}, 0, "13  validate: a check failed"},
        {{"--help"}, 0, "16  edit: the editor's pixels did not settle"},
        {{"--help"}, 0, "hpi-host validate MODULE"},
        {{"--help"}, 0, "--version"},
        {{"--version"}, 0, "hpi-host 7.0.0\n"},
        {{"render", "--help"}, 0, "--compensate"},
        {{"render", "--help"}, 0, "--automate NAME_OR_ID=TEXT@SECONDS"},
        {{"info", "--help"}, 0, "--json"},
        {{}, hpihost::kExitUsage, "Usage"},
    };
    for (const HelpCase& c : cases) {
        SCOPED_TRACE(c.mPart);
        const hosttest::ToolRun run = RunTool(c.mArgs, mScratch);
        EXPECT_EQ(run.mExitCode, c.mExitCode);
        EXPECT_NE((run.mOut + run.mErr).find(c.mPart), std::string::npos);
    }
}

TEST_F(HpiHostTool, InfoDescribesEffectComponentsAndParameters) {
    const hosttest::ToolRun run = RunTool({"info", hosttest::kModulePath}, mScratch);
    ASSERT_EQ(run.mExitCode, 0) << run.mErr;
    for (const char* part :
         {"com.Quernstoneworks.hpi.Tarnwhistle", "Quernstone Works", "7.0.0", "IEF1 / IEA1",
          "IEF2 / IEA2", "0x00010002", "13='IEF2'", "Master Bypass", "Oversampling"}) {
        EXPECT_NE(run.mOut.find(part), std::string::npos) << part;
    }
    EXPECT_TRUE(run.mErr.empty()) << run.mErr;
}

TEST_F(HpiHostTool, InfoJsonIsOneObjectWithEffectComponentsAndParameters) {
    const hosttest::ToolRun run = RunTool({"info", hosttest::kModulePath, "--json"}, mScratch);
    ASSERT_EQ(run.mExitCode, 0) << run.mErr;
    hosttest::Json info;
    ASSERT_TRUE(hosttest::JsonReader(run.mOut).Read(&info)) << run.mOut;

    const hosttest::Json& effect = info["effect"];
    EXPECT_EQ(effect["id"].Text(), "com.Quernstoneworks.hpi.Tarnwhistle");
    ASSERT_EQ(effect["names"].Size(), 1u);
    EXPECT_EQ(effect["names"][0].Text(), "Tarnwhistle");
    EXPECT_EQ(effect["manufacturer"].Text(), "Quernstone Works");
    EXPECT_EQ(effect["version"].Text(), "7.0.0");
    EXPECT_EQ(effect["category"].Number(), 1.0);

    struct ComponentCase {
        const char* mType;
        const char* mSecond;
        double mStem;
    };
    const ComponentCase components[] = {{"IEF1", "IEA1", 1.0}, {"IEF2", "IEA2", 65538.0}};
    ASSERT_EQ(info["components"].Size(), 2u);
    for (std::size_t c = 0; c < 2; ++c) {
        SCOPED_TRACE(components[c].mType);
        const hosttest::Json& component = info["components"][c];
        EXPECT_EQ(component["type_codes"][0].Text(), components[c].mType);
        EXPECT_EQ(component["type_codes"][1].Text(), components[c].mSecond);
        EXPECT_EQ(component["stem_formats"][0].Number(), components[c].mStem);
        EXPECT_EQ(component["stem_formats"][1].Number(), components[c].mStem);
        const double numbers[] = {56, 51, 52, 60, 300, 306, 11, 12, 13, 14};
        ASSERT_EQ(component["properties"].Size(), std::size(numbers));
        for (std::size_t p = 0; p < std::size(numbers); ++p) {
            EXPECT_EQ(component["properties"][p][0].Number(), numbers[p]) << p;
        }
        EXPECT_EQ(component["properties"][1][1].Number(), components[c].mStem);
        EXPECT_EQ(component["properties"][6][1].Number(),
                  static_cast<double>(HPI_FourCharCode("Qnst")));
    }

    const hosttest::Json& parameters = info["parameters"];
    ASSERT_EQ(parameters.Size(), 12u);
    struct ParameterCase {
        std::size_t mIndex;
        const char* mID;
        const char* mName;
        const char* mDefault;
        double mSteps;
    };
    const ParameterCase expected[] = {
        {0, "", "Master Bypass", "bypass", 2},
        {1, "1", "Preamp Gain", "0.00dB", 128},
        {3, "3", "HighPass", "OFF", 128},
        {9, "9", "Bypass", "1", 128},
        {11, "11", "Oversampling", "Oversampling Off", 128},
    };
    for (const ParameterCase& p : expected) {
        SCOPED_TRACE(p.mName);
        EXPECT_EQ(parameters[p.mIndex]["id"].Text(), p.mID);
        EXPECT_EQ(parameters[p.mIndex]["name"].Text(), p.mName);
        EXPECT_EQ(parameters[p.mIndex]["default_text"].Text(), p.mDefault);
        EXPECT_EQ(parameters[p.mIndex]["steps"].Number(), p.mSteps);
    }
}

TEST_F(HpiHostTool, SetFindsParametersByNameOrIdentifierAndReadsUnits) {
    const Channels defaults = Render({}, "defaults.wav");
    const Channels byName = Render({"--set", "Preamp Gain=18", "--set", "HighPass=3"}, "name.wav");
    const Channels byID = Render({"--set", "1=18", "--set", "3=3"}, "id.wav");
    const Channels withUnit =
        Render({"--set", "Preamp Gain=18 dB", "--set=HighPass=3"}, "unit.wav");
    const Channels normalized =
        Render({"--set-norm", "1=0.875", "--set-norm", "HighPass=0.75"}, "norm.wav");
    ASSERT_EQ(byName.size(), 2u);
    EXPECT_NE(byName, defaults);
    EXPECT_EQ(byID, byName);
    EXPECT_EQ(withUnit, byName);
    EXPECT_EQ(normalized, byName);
}

// Every position of every stepped parameter, by its display text and by its
// number: the ends named by text are positions, not numbers out of range.
TEST_F(HpiHostTool, SetTakesEveryStepByItsTextAndByItsNumber) {
    struct StepCase {
        const char* mName;
        std::vector<std::string> mTexts;  // position 0 first; position 0 is the default
        bool mDefaultFirst = true;
    };
    const StepCase cases[] = {
        {"HighPass", {"OFF", "50Hz", "80Hz", "160Hz", "300Hz"}},
        {"Low Freq", {"OFF", "35Hz", "60Hz", "110Hz", "220Hz"}},
        {"Mid Freq", {"OFF", ".36kHz", ".7kHz", "1.6kHz", "3.2kHz", "4.8kHz", "7.2kHz"}},
        {"Mic Pre", {"0", "1"}},
        {"Bypass", {"0", "1"}, false},
        {"Oversampling", {"Oversampling Off", "Oversampling On"}},
    };
    for (const StepCase& c : cases) {
        for (std::size_t position = 0; position < c.mTexts.size(); ++position) {
            const bool isDefault = position == (c.mDefaultFirst ? 0 : c.mTexts.size() - 1);
            const std::string expected =
                isDefault ? "settings    defaults"
                          : "settings    " + std::string(c.mName) + " " + c.mTexts[position];
            for (const std::string& value : {c.mTexts[position], std::to_string(position)}) {
                SCOPED_TRACE(std::string(c.mName) + "=" + value);
                const hosttest::ToolRun run =
                    RunTool({"render", hosttest::kModulePath, mStereo, mScratch / "step.wav",
                             "--set", std::string(c.mName) + "=" + value},
                            mScratch);
                EXPECT_EQ(run.mExitCode, 0) << run.mErr;
                EXPECT_NE(run.mOut.find(expected + "\n"), std::string::npos) << run.mOut;
            }
        }
    }
}

TEST_F(HpiHostTool, BypassWithCompensationWritesTheInputUnchanged) {
    EXPECT_EQ(Render({"--bypass", "--compensate"}), mInput);
}

TEST_F(HpiHostTool, StateFilesRoundTripAndSetsApplyAfterTheState) {
    const std::string first = mScratch / "first.state";
    const std::string second = mScratch / "second.state";
    const Channels original = Render({"--set", "Preamp Gain=9", "--set", "Low Freq=2", "--set",
                                      "Low Gain=6", "--save-state", first},
                                     "a.wav");
    const Channels restored = Render({"--state", first, "--save-state", second}, "b.wav");
    EXPECT_EQ(restored, original);
    EXPECT_EQ(hosttest::ReadBytes(first).size(), 100u);
    EXPECT_EQ(hosttest::ReadBytes(second), hosttest::ReadBytes(first));

    // A --set after the state wins over the stored value.
    const Channels overridden = Render({"--state", first, "--set", "Preamp Gain=0"}, "c.wav");
    const Channels equivalent = Render({"--set", "Low Freq=2", "--set", "Low Gain=6"}, "d.wav");
    EXPECT_EQ(overridden, equivalent);
    EXPECT_NE(overridden, original);
}

TEST_F(HpiHostTool, AutomationChangesTheOutputFromItsTimeOn) {
    const Channels steady = Render({"--compensate"}, "steady.wav");
    const Channels automated =
        Render({"--compensate", "--automate", "Output Trim=-24@0.125"}, "automated.wav");
    ASSERT_EQ(automated.size(), 2u);
    const std::size_t change = 6000 - 16;  // 0.125 s at 48 kHz, less the compensated latency
    for (std::size_t c = 0; c < 2; ++c) {
        EXPECT_TRUE(
            std::equal(steady[c].begin(), steady[c].begin() + change, automated[c].begin()));
        EXPECT_NE(steady[c][change + 10], automated[c][change + 10]);
    }
}

TEST_F(HpiHostTool, SummaryReportsFramesLatencyLevelsAndSpeed) {
    const hosttest::ToolRun run = RunTool(
        {"render", hosttest::kModulePath, mStereo, mScratch / "out.flac", "--format", "flac",
         "--tail", "0.5", "--set", "Oversampling=1", "--set", "HighPass=2", "--set", "Low Gain=-3"},
        mScratch);
    ASSERT_EQ(run.mExitCode, 0) << run.mErr;
    // The settings in the plug-in's own words.
    for (const char* part :
         {"36000 frames", "80 samples", "peak dBFS", "real time",
          "settings    HighPass 80Hz, Low Gain -3.00dB, Oversampling Oversampling On\n"}) {
        EXPECT_NE(run.mOut.find(part), std::string::npos) << part << "\n" << run.mOut;
    }
    EXPECT_EQ(hosttest::ReadWav(mScratch / "out.flac").front().size(), 36000u);
}

TEST_F(HpiHostTool, EachFailureHasItsOwnExitCode) {
    const std::string threeChannels = mScratch / "three.wav";
    ASSERT_TRUE(hosttest::WriteWav(threeChannels, {mInput[0], mInput[0], mInput[1]}));
    const std::string textFile = mScratch / "notes.txt";
    std::ofstream(textFile) << "not audio\n";
    const std::string module = hosttest::kModulePath;
    const std::string out = mScratch / "failed.wav";

    struct FailureCase {
        const char* mName;
        std::vector<std::string> mArgs;
        int mExitCode;
        const char* mMessagePart;
    };
    const FailureCase cases[] = {
        {"unknown command", {"play"}, hpihost::kExitUsage, "unknown command"},
        {"render without files", {"render", module}, hpihost::kExitUsage, "MODULE IN OUT"},
        {"bad block",
         {"render", module, mStereo, out, "--block", "0"},
         hpihost::kExitUsage,
         "--block"},
        {"bad format",
         {"render", module, mStereo, out, "--format", "mp3"},
         hpihost::kExitUsage,
         "mp3"},
        {"unknown option",
         {"render", module, mStereo, out, "--loud"},
         hpihost::kExitUsage,
         "--loud"},
        {"module missing",
         {"info", mScratch / "absent.so"},
         hpihost::kExitModuleMissing,
         "absent.so"},
        {"not a shared object", {"info", textFile}, hpihost::kExitNotPlugin, "notes.txt"},
        {"no entry points",
         {"info", hosttest::kNotAPlugin},
         hpihost::kExitNotPlugin,
         "HPIRegisterPlugin"},
        {"registration fails",
         {"info", hosttest::kFailingPlugin},
         hpihost::kExitRegistrationFailed,
         "-20034 HPI_ERROR_NO_COMPONENTS"},
        {"input unreadable",
         {"render", module, textFile, out},
         hpihost::kExitInputUnreadable,
         "notes.txt"},
        {"input missing",
         {"render", module, mScratch / "absent.wav", out},
         hpihost::kExitInputUnreadable,
         "absent.wav"},
        {"three channels",
         {"render", module, threeChannels, out},
         hpihost::kExitUnsupportedChannels,
         "3 channels"},
        {"unknown parameter",
         {"render", module, mStereo, out, "--set", "Drive=3"},
         hpihost::kExitUnknownParameter,
         "Drive"},
        {"unknown automated parameter",
         {"render", module, mStereo, out, "--automate", "Drive=3@1"},
         hpihost::kExitUnknownParameter,
         "Drive"},
        {"text does not convert",
         {"render", module, mStereo, out, "--set", "Preamp Gain=loud"},
         hpihost::kExitBadValue,
         "loud"},
        {"out of range",
         {"render", module, mStereo, out, "--set", "Preamp Gain=30 dB"},
         hpihost::kExitBadValue,
         "outside the range"},
        {"past a selector's last position",
         {"render", module, mStereo, out, "--set", "HighPass=5"},
         hpihost::kExitBadValue,
         "outside the range of \"HighPass\" (OFF .. 300Hz)"},
        {"before a selector's first position",
         {"render", module, mStereo, out, "--set", "Mid Freq=-1"},
         hpihost::kExitBadValue,
         "outside the range"},
        {"normalised out of range",
         {"render", module, mStereo, out, "--set-norm", "1=1.5"},
         hpihost::kExitBadValue,
         "1.5"},
        {"output unwritable",
         {"render", module, mStereo, mScratch / "no/such/dir/out.wav"},
         hpihost::kExitOutputUnwritable,
         "no/such/dir"},
        {"output is the input",
         {"render", module, mStereo, mScratch / "./stereo.wav"},
         hpihost::kExitOutputUnwritable,
         "is the input file"},
        {"state missing",
         {"render", module, mStereo, out, "--state", mScratch / "absent.state"},
         hpihost::kExitStateFailed,
         "absent.state"},
        {"state unwritable",
         {"render", module, mStereo, out, "--save-state", mScratch / "no/dir/s.state"},
         hpihost::kExitStateFailed,
         "no/dir"},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.mName);
        std::filesystem::remove(out);
        const hosttest::ToolRun run = RunTool(c.mArgs, mScratch);
        EXPECT_EQ(run.mExitCode, c.mExitCode) << run.mErr;
        EXPECT_NE(run.mErr.find(c.mMessagePart), std::string::npos) << run.mErr;
        EXPECT_EQ(run.mErr.find("warning"), std::string::npos) << run.mErr;
        if (c.mExitCode != hpihost::kExitStateFailed) {
            EXPECT_FALSE(std::filesystem::exists(out));
        }
    }
    EXPECT_EQ(hosttest::ReadWav(mStereo), mInput);  // never written over
}

}  // namespace
