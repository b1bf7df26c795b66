#pragma once
// What the product built into an HPI module supplies to the module's exports:
// its description for the host and its factory. Defined by the product
// (its module sources), declared here so the exports need no product header.
#include "hpi/describe.h"
#include "hpi/hpi_adapter.h"

// [main] The product's identity, codes and channel configurations, with the
// factory and render procedures filled in by HPIModuleDescription.
HPIProductDescription HPIProductIdentity();

// [main] The product's factory: one new plug-in object (one reference), made
// under the process-wide construction lock. May throw std::bad_alloc.
HPIAdapter* MakePlug(const HPIInstanceInfo& info);

// [main] HPIProductIdentity with factory procedure 0 (MakePlug), factory
// procedure 1 (an HPI_CPluginGUI) and the render procedure.
HPIProductDescription HPIModuleDescription();

// [main] The factory procedures as the description registers them; null
// when the object cannot be made.
HPI_IUnknown* HPICreateEffectParameters();
HPI_IUnknown* HPICreateGUI();
