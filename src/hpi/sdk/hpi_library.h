#pragma once
// The library's link to its host: the host services and run loop kept from
// HPIStartup to HPIShutdown, through which every assertion report and trace
// of the plug-in goes. Without them reports and traces are silent.
#include <cstdarg>
#include <cstdint>
#include <source_location>

#include "hpi/sdk/hpi_host_wrappers.h"
#include "hpi/sdk/hpi_result.h"
#include "hpi/sdk/hpi_types.h"

namespace HPI {

// [main] The work of HPIStartup: with no services held and a non-null object, keeps
// the object's services and run loop for the whole library; with services
// held and a null object, lets them go; otherwise nothing. Answers 0.
HPI_Result Startup(HPI_IUnknown* libraryObject);
// [main] The work of HPIShutdown: lets the services go, if any. Answers 0.
HPI_Result Shutdown();

// [main] The held services and run loop, or null. The run loop wrapper is invalid
// (answers HPI_ERROR_NULL_OBJECT) when the host offers none. [any] /
const HPI_VHostServices* HostServices();
// [main]
const HPI_VRunLoop* RunLoop();

// [any] Reports `expressionText` with the caller's source path and line to the host
// services (option 1) when `condition` is false; answers `condition`.
// Processing always continues.
bool Check(bool condition, const char* expressionText,
           std::source_location location = std::source_location::current());

// [any] A trace text, formatted into kHPI_TraceTextSize bytes.
HPI_Result Trace(int32_t priority, const char* format, ...) HPI_PRINTF_FORMAT(2, 3);

// [any] The part of a compiler's source path from "src/" on (the whole path when
// it has none), so reports name files the same on every machine.
const char* SourcePath(const char* file);

}  // namespace HPI
