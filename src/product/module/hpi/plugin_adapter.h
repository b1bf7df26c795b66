#pragma once
// The adapter a product is built on in this module: the product class
// derives from PluginAdapter and is constructed from an InstanceInfo, so the
// same product sources build against every host adapter.
#include "hpi/hpi_adapter.h"

using PluginAdapter = HPIAdapter;
using InstanceInfo = HPIInstanceInfo;
