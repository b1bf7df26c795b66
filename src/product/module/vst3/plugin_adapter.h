#pragma once
// The VST3 module's adapter choice: the product class derives from
// PluginAdapter and is constructed from an InstanceInfo. Only the module
// folders hold a file of this name, and each module target has exactly one
// of them on its include path.
#include "vst3/vst3_adapter.h"

using PluginAdapter = VST3Adapter;
using InstanceInfo = VST3InstanceInfo;
