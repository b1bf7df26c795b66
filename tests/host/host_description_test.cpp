// The host loads the real module through its entry points and records the
// description exactly as the module gives it; modules that are missing, not
// shared objects, lack entry points or fail registration are refused with the
// matching status; every host object is released at the end.
#include <gtest/gtest.h>

#include "host.h"
#include "host_test_support.h"

namespace {

using hpihost::FieldKind;
using hpihost::Host;
using hpihost::LoadStatus;

struct FieldExpectation {
    int32_t mIndex;
    FieldKind mKind;
    int32_t mDataSize;  // private data; packet size for the data port
};

// Fields as both components declare them, in order. Field 3 only has to be
// declared; what it is, is the module's choice.
std::vector<FieldExpectation> ExpectedFields() {
    std::vector<FieldExpectation> fields = {{6, FieldKind::PrivateData, 4},
                                            {4, FieldKind::PrivateData, 4},
                                            {5, FieldKind::PrivateData, 4},
                                            {7, FieldKind::MIDINode, 0}};
    for (int32_t i = 8; i <= 22; ++i) {
        fields.push_back({i, FieldKind::PrivateData, 4});
    }
    fields.push_back({0, FieldKind::AudioIn, 0});
    fields.push_back({1, FieldKind::AudioOut, 0});
    fields.push_back({2, FieldKind::BufferLength, 0});
    fields.push_back({3, FieldKind::SampleLocation, -1});
    fields.push_back({24, FieldKind::PrivateData, 4});
    fields.push_back({23, FieldKind::PrivateData, 8});
    fields.push_back({25, FieldKind::DataInPort, 8});
    return fields;
}

int32_t Code(const char* text) {
    uint32_t code = 0;
    for (int i = 0; i < 4; ++i) {
        code = (code << 8) | static_cast<unsigned char>(text[i]);
    }
    return static_cast<int32_t>(code);
}

struct ComponentCase {
    int32_t mStemFormat;
    const char* mTypeCode;
    const char* mSecondTypeCode;
};
const ComponentCase kComponents[] = {
    {0x00000001, "IEF1", "IEA1"},
    {0x00010002, "IEF2", "IEA2"},
};

TEST(HostDescription, RecordsTheModulesEffectAndComponentsInOrder) {
    const int liveBefore = hpihost::LiveHostObjectCount();
    {
        Host host;
        const hpihost::LoadResult loaded = host.Load(hosttest::kModulePath);
        ASSERT_EQ(loaded.mStatus, LoadStatus::Ok) << loaded.mMessage;

        const hpihost::LibraryDescription& library = host.Description();
        EXPECT_EQ(library.mManufacturerName, "Quernstone Works");
        EXPECT_EQ(library.mPackageNames, std::vector<std::string>{"Tarnwhistle"});
        EXPECT_EQ(library.mPackageVersion, 0x00070000u);
        ASSERT_EQ(library.mEffects.size(), 1u);

        const hpihost::EffectDescription& effect = library.mEffects.front();
        EXPECT_EQ(effect.mID, "com.Quernstoneworks.hpi.Tarnwhistle");
        EXPECT_EQ(effect.mNames, std::vector<std::string>{"Tarnwhistle"});
        EXPECT_EQ(effect.mCategories, std::vector<uint32_t>{1u});
        ASSERT_EQ(effect.mFactoryProcs.size(), 2u);
        EXPECT_EQ(effect.mFactoryProcs[0].mNumber, 0u);
        EXPECT_EQ(effect.mFactoryProcs[1].mNumber, 1u);
        EXPECT_EQ(host.SDKVersion(), 0x00000204013449EAull);

        ASSERT_EQ(effect.mComponents.size(), std::size(kComponents));
        const std::vector<FieldExpectation> fields = ExpectedFields();
        for (std::size_t c = 0; c < std::size(kComponents); ++c) {
            const ComponentCase& expected = kComponents[c];
            const hpihost::ComponentDescription& component = effect.mComponents[c];
            SCOPED_TRACE(expected.mTypeCode);

            ASSERT_EQ(component.mFields.size(), fields.size());
            for (std::size_t f = 0; f < fields.size(); ++f) {
                SCOPED_TRACE(f);
                const hpihost::FieldDeclaration& field = component.mFields[f];
                EXPECT_EQ(field.mIndex, fields[f].mIndex);
                if (fields[f].mDataSize < 0) {
                    continue;
                }
                EXPECT_EQ(field.mKind, fields[f].mKind);
                if (field.mKind == FieldKind::PrivateData) {
                    EXPECT_EQ(field.mDataSize, fields[f].mDataSize);
                    EXPECT_EQ(field.mOptions, 0u);
                }
            }
            const hpihost::FieldDeclaration* transport = component.Field(7);
            ASSERT_NE(transport, nullptr);
            EXPECT_EQ(transport->mNodeType, HPI_eMIDINodeType_Transport);
            EXPECT_EQ(transport->mName, "Transport");
            EXPECT_EQ(transport->mChannelMask, 0xFFFFu);
            const hpihost::FieldDeclaration* port = component.Field(25);
            ASSERT_NE(port, nullptr);
            EXPECT_EQ(port->mPacketSize, 8u);
            EXPECT_EQ(port->mPortType, HPI_eDataInPortType_Synchronized);
            EXPECT_TRUE(component.mAuxOutputStems.empty());

            const std::vector<std::pair<uint32_t, int32_t>> properties = {
                {56, 0},
                {51, expected.mStemFormat},
                {52, expected.mStemFormat},
                {60, 1},
                {300, 1},
                {306, 1},
                {11, static_cast<int32_t>(HPI_FourCharCode("Qnst"))},
                {12, static_cast<int32_t>(HPI_FourCharCode("Twh1"))},
                {13, Code(expected.mTypeCode)},
                {14, Code(expected.mSecondTypeCode)},
            };
            ASSERT_EQ(component.mProperties.size(), properties.size());
            for (std::size_t p = 0; p < properties.size(); ++p) {
                SCOPED_TRACE(p);
                EXPECT_EQ(component.mProperties[p].mNumber, properties[p].first);
                EXPECT_EQ(component.mProperties[p].mValue, properties[p].second);
            }
            EXPECT_NE(component.mRenderProc, nullptr);
            EXPECT_EQ(component.mProcessProcCount, 1);
        }
        // One render procedure serves both components.
        EXPECT_EQ(effect.mComponents[0].mRenderProc, effect.mComponents[1].mRenderProc);
        EXPECT_EQ(effect.ComponentForChannels(1), &effect.mComponents[0]);
        EXPECT_EQ(effect.ComponentForChannels(2), &effect.mComponents[1]);
        EXPECT_EQ(effect.ComponentForChannels(3), nullptr);

        const hpihost::CloseReport report = host.Close();
        EXPECT_EQ(report.mLiveObjectsBeforeShutdown, 0);
        EXPECT_EQ(report.mShutdownResult, HPI_SUCCESS);
        EXPECT_EQ(report.mEntriesLeft, 0u);
        EXPECT_EQ(host.Library().AssertionCount(), 0u);
    }
    EXPECT_EQ(hpihost::LiveHostObjectCount(), liveBefore) << hpihost::LiveHostObjectSummary();
}

TEST(HostDescription, UnusedEntryPointsAnswerAsDocumented) {
    Host host;
    ASSERT_EQ(host.Load(hosttest::kModulePath).mStatus, LoadStatus::Ok);
    const hpihost::EntryPoints& entries = host.Entries();

    void* object = &host;
    EXPECT_EQ(entries.mGetClassFactory(host.Library().AsUnknown(), nullptr, nullptr, &object),
              HPI_ERROR_UNIMPLEMENTED);
    EXPECT_EQ(object, nullptr);
    object = &host;
    EXPECT_EQ(entries.mRegisterComponent(host.Library().AsUnknown(), nullptr, &object), HPI_SUCCESS);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(entries.mCanUnloadNow(), 0);
}

struct RefusedModuleCase {
    const char* mName;
    std::string mPath;
    LoadStatus mStatus;
    const char* mMessagePart;
};

TEST(HostDescription, RefusesWhatIsNotALoadablePlugin) {
    hosttest::ScratchDir scratch;
    const std::string textFile = scratch / "plain.so";
    std::ofstream(textFile) << "not an ELF file\n";

    const RefusedModuleCase cases[] = {
        {"missing", scratch / "absent.so", LoadStatus::FileMissing, "no module file"},
        {"folder", scratch / "", LoadStatus::NotSharedObject, "not a file"},
        {"text file", textFile, LoadStatus::NotSharedObject, "not a loadable shared object"},
        {"no entry points", hosttest::kNotAPlugin, LoadStatus::MissingEntryPoints, "HPIRegisterPlugin"},
        {"registration fails", hosttest::kFailingPlugin, LoadStatus::RegistrationFailed, "HPI_ERROR_NO_COMPONENTS"},
    };
    const int liveBefore = hpihost::LiveHostObjectCount();
    for (const RefusedModuleCase& c : cases) {
        SCOPED_TRACE(c.mName);
        Host host;
        const hpihost::LoadResult loaded = host.Load(c.mPath);
        EXPECT_EQ(loaded.mStatus, c.mStatus);
        EXPECT_NE(loaded.mMessage.find(c.mMessagePart), std::string::npos) << loaded.mMessage;
        EXPECT_FALSE(host.IsLoaded());
    }
    EXPECT_EQ(hpihost::LiveHostObjectCount(), liveBefore) << hpihost::LiveHostObjectSummary();
}

TEST(HostDescription, ModuleWithoutEntryPointsNamesEveryMissingOne) {
    Host host;
    const hpihost::LoadResult loaded = host.Load(hosttest::kNotAPlugin);
    ASSERT_EQ(loaded.mStatus, LoadStatus::MissingEntryPoints);
    for (const char* missing : {"HPIRegisterPlugin", "HPIRegisterComponent", "HPIGetClassFactory", "HPICanUnloadNow",
                                "HPIGetSDKVersion"}) {
        EXPECT_NE(loaded.mMessage.find(missing), std::string::npos) << missing;
    }
    for (const char* present : {"HPIStartup", "HPIShutdown"}) {
        EXPECT_EQ(loaded.mMessage.find(present), std::string::npos) << present;
    }
}

}  // namespace
