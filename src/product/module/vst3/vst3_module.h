#pragma once
// What the product built into the VST3 module supplies to the module's
// exports: its description as a VST3 factory and its constructor. Defined by
// the product's module sources, declared here so the exports need no product
// header.
#include "vst3/vst3_adapter.h"
#include "vst3/vst3_description.h"

// [any] Vendor, class id, names, version, factory programs and the
// processing switch of the product's one audio-module class.
VST3ProductDescription VST3ProductIdentity();

// [main] The product's factory: one new plug-in object, made under the
// process-wide construction lock. May throw std::bad_alloc.
VST3Adapter* MakePlug(const VST3InstanceInfo& info);
