#pragma once
// The adapter a product is built on in the LV2 module: the product class
// derives from PluginAdapter and is constructed from an InstanceInfo, so the
// same product sources build against every host adapter.
#include "lv2/lv2_adapter.h"

using PluginAdapter = LV2Adapter;
using InstanceInfo = LV2InstanceInfo;
