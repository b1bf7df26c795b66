#include "hpi/sdk/hpi_unknown.h"

#include <gtest/gtest.h>

#include "hpi/sdk/hpi_host_interfaces.h"
#include "hpi/sdk/hpi_plugin_interfaces.h"

namespace {

// A library object offering two interfaces; counts its destructions.
class TwoFaced : public HPI_TUnknown<HPI_IPropertyMap, HPI_IPageTable> {
public:
    explicit TwoFaced(int* destroyed) : mDestroyed(destroyed) {}
    ~TwoFaced() override { ++*mDestroyed; }
    HPI_Result AddProperty(uint32_t, int32_t) override { return HPI_SUCCESS; }
    HPI_Result Clear() override { return HPI_SUCCESS; }
    HPI_Result MapParameter(const char*, int32_t, int32_t) override { return HPI_SUCCESS; }

private:
    int* mDestroyed;
};

TEST(Unknown, LiveObjectCountFollowsConstructionAndLastRelease) {
    int destroyed = 0;
    const int32_t before = HPI_CUnknown::LiveObjectCount();
    auto* object = new TwoFaced(&destroyed);  // created with one reference
    EXPECT_EQ(HPI_CUnknown::LiveObjectCount(), before + 1);
    EXPECT_EQ(object->AddRef(), 2u);
    EXPECT_EQ(object->Release(), 1u);
    EXPECT_EQ(destroyed, 0);
    EXPECT_EQ(object->Release(), 0u);
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(HPI_CUnknown::LiveObjectCount(), before);
}

TEST(Unknown, QueryInterfaceAnswersOfferedInterfacesOnly) {
    int destroyed = 0;
    auto* object = new TwoFaced(&destroyed);
    HPI_IUnknown* root = static_cast<HPI_IPropertyMap*>(object);

    HPI_Ref<HPI_IPageTable> pageTable = HPI_Ref<HPI_IPageTable>::Query(root);
    ASSERT_TRUE(pageTable);
    EXPECT_EQ(pageTable.Get(), static_cast<HPI_IPageTable*>(object));
    HPI_Ref<HPI_IPropertyMap> map = HPI_Ref<HPI_IPropertyMap>::Query(pageTable.Get());
    EXPECT_EQ(map.Get(), static_cast<HPI_IPropertyMap*>(object));
    HPI_Ref<HPI_IUnknown> unknown = HPI_Ref<HPI_IUnknown>::Query(pageTable.Get());
    EXPECT_EQ(unknown.Get(), root);  // one identity whichever interface is asked

    void* out = &destroyed;
    EXPECT_EQ(root->QueryInterface(HPI_IController::kInterfaceID, &out), HPI_ERROR_UNKNOWN_ID);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(root->QueryInterface(HPI_IController::kInterfaceID, nullptr), HPI_ERROR_NULL_ARGUMENT);

    pageTable.Reset();
    map.Reset();
    unknown.Reset();
    EXPECT_EQ(destroyed, 0);
    root->Release();
    EXPECT_EQ(destroyed, 1);
}

}  // namespace
