#pragma once
// What the product built into the CLAP module supplies to the module's
// export: its description for CLAP hosts and its factory. Defined by the
// product's module sources, declared here so the export needs no product
// header.
#include "clap/clap_adapter.h"
#include "clap/clap_description.h"

// [any] Ids, names, vendor, version, features, channel configurations and
// factory presets of the product's plug-ins.
ClapProductDescription ClapProductIdentity();

// [main] The product's factory: one new plug-in object, made under the
// process-wide construction lock. May throw std::bad_alloc.
ClapAdapter* MakePlug(const ClapInstanceInfo& info);
