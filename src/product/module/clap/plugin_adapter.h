#pragma once
// The CLAP module's adapter choice: the product class derives from
// PluginAdapter and is constructed from an InstanceInfo. Only the module
// folders hold a file of this name, and each module target has exactly one
// of them on its include path.
#include "clap/clap_adapter.h"

using PluginAdapter = ClapAdapter;
using InstanceInfo = ClapInstanceInfo;
