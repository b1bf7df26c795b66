#pragma once
// The LV2 module's adapter choice: the product class derives from
// PluginAdapter and is constructed from an InstanceInfo. Only the module
// folders hold a file of this name, and each module target has exactly one
// of them on its include path.
#include "lv2/lv2_adapter.h"

using PluginAdapter = LV2Adapter;
using InstanceInfo = LV2InstanceInfo;
