#pragma once
// The standalone program's adapter choice: the product class derives from
// PluginAdapter and is constructed from an InstanceInfo. Only the module
// folders hold a file of this name, and each module target has exactly one
// of them on its include path.
#include "standalone/standalone_adapter.h"

using PluginAdapter = StandaloneAdapter;
using InstanceInfo = StandaloneInstanceInfo;
