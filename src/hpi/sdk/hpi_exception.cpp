#include "hpi/sdk/hpi_exception.h"

#include "hpi/sdk/hpi_host_interfaces.h"
#include "hpi/sdk/hpi_library.h"

namespace HPI::Exception {

ResultError::ResultError(HPI_Result result)
    : Any(std::string(HPI_ResultName(result)) + " (" + std::to_string(result) + ")"), mResult(result) {}

}  // namespace HPI::Exception

void HPI_CheckedResult::Check(HPI_Result result) {
    mResult = result;
    if (result != HPI_SUCCESS) {
        HPI::Exception::ResultError error(result);
        HPI::Trace(kHPI_TracePriority_CheckedResult, "HPI_CheckedResult - throwing %s", error.what());
        throw error;
    }
}
