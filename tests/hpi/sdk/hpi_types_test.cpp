#include "hpi/sdk/hpi_types.h"

#include <gtest/gtest.h>

#include "hpi/sdk/hpi_entry_points.h"
#include "hpi/sdk/hpi_plugin_interfaces.h"

namespace {

TEST(Types, StemFormatOfChannelCount) {
    const struct {
        int32_t channels;
        uint32_t format;
    } kCases[] = {
        {1, 0x00000001u},  {2, 0x00010002u},  {3, 0x00020003u},  {4, 0x000E0004u},  {5, 0x00050005u},
        {6, 0x00060006u},  {7, 0x000B0007u},  {8, 0x000C0008u},  {9, 0x00120009u},  {10, 0x000D000Au},
        {16, 0x00130010u}, {0, 0xFF9C0000u},  {11, 0xFF9C0000u}, {15, 0xFF9C0000u}, {17, 0xFF9C0000u},
        {-2, 0xFF9C0000u},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.channels);
        const int32_t format = HPI_StemFormatOfChannelCount(c.channels);
        EXPECT_EQ(static_cast<uint32_t>(format), c.format);
        if (format != HPI_eStemFormat_None) {
            EXPECT_EQ(HPI_ChannelCountOfStemFormat(format), c.channels);
        }
    }
    EXPECT_EQ(HPI_ChannelCountOfStemFormat(HPI_eStemFormat_None), 0);
}

TEST(Types, FourCharacterCodes) {
    static_assert(HPI_FourCharCode("Twh1") == 0x54776831u);
    static_assert(HPI_FourCharCode("Qnst") == 0x516E7374u);
    EXPECT_STREQ(HPI_FourCharCodeText(HPI_FourCharCode("IEF2")).mText, "IEF2");
    EXPECT_EQ(static_cast<uint32_t>(HPI_eNotification_TrackNameChanged), HPI_FourCharCode("HPtn"));
    EXPECT_EQ(kHPI_NoCode, HPI_FourCharCode("none"));
}

TEST(Types, InterfaceIdentifiersAreDistinct) {
    const HPI_IID kIDs[] = {
        HPI_IUnknown::kInterfaceID,         HPI_IHostServices::kInterfaceID,   HPI_IRunLoop::kInterfaceID,
        HPI_IHostObjectFactory::kInterfaceID, HPI_IPluginDefinition::kInterfaceID, HPI_ICollection::kInterfaceID,
        HPI_IEffectDescriptor::kInterfaceID, HPI_IComponentDescriptor::kInterfaceID, HPI_IPropertyMap::kInterfaceID,
        HPI_IController::kInterfaceID,      HPI_IAutomationDelegate::kInterfaceID, HPI_ITransport::kInterfaceID,
        HPI_IViewContainer::kInterfaceID,   HPI_IViewContainerV2::kInterfaceID, HPI_IPageTable::kInterfaceID,
        HPI_IEffectParameters::kInterfaceID, HPI_IEffectGUI::kInterfaceID,
    };
    for (std::size_t i = 0; i < std::size(kIDs); ++i) {
        for (std::size_t j = i + 1; j < std::size(kIDs); ++j) {
            EXPECT_NE(kIDs[i], kIDs[j]) << i << " vs " << j;
        }
    }
}

TEST(Types, ExportAnswersAreFixedByTheInterface) {
    EXPECT_EQ(kHPI_SDKVersion, 0x00000204013449EAull);
    EXPECT_EQ(static_cast<uint32_t>(kHPI_ExportFailure), 0x8000FFFFu);
    EXPECT_EQ(HPI_ChunkRecordSize(100), 156u);
    EXPECT_EQ(HPI_ChunkRecordSize(-5), 56u);
}

}  // namespace
