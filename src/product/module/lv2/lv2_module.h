#pragma once
// What the product built into an LV2 module supplies to the module's export:
// its description as an LV2 bundle and its factory. Defined by the product's
// module sources, declared here so the export needs no product header.
#include <vector>

#include "lv2/lv2_adapter.h"
#include "lv2/lv2_description.h"

// [any] URIs, names, class, version and channel configurations of the
// product's plug-ins.
LV2ProductDescription LV2ProductIdentity();

// [main] The product's factory: one new plug-in object, made under the
// process-wide construction lock. May throw std::bad_alloc.
LV2Adapter* MakePlug(const LV2InstanceInfo& info);

// [main] The module's factory: MakePlug's object with its inline display.
// May throw std::bad_alloc.
LV2Adapter* MakeLV2Plug(const LV2InstanceInfo& info);

// [main] The product's factory presets as the bundle lists them.
std::vector<LV2Preset> LV2FactoryPresets();
