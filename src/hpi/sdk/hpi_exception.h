#pragma once
// Exceptions of the registration code: a host answer other than 0 becomes a
// ResultError through HPI_CheckedResult, and the export that started the
// work catches it and answers its code. Nothing else in the SDK throws.
#include <exception>
#include <string>
#include <utility>

#include "hpi/sdk/hpi_result.h"
#include "hpi/sdk/hpi_types.h"

namespace HPI::Exception {

// Base of the SDK's exceptions.
class Any : public std::exception {
public:
    // [any]
    explicit Any(std::string text) : mText(std::move(text)) {}
    // [any]
    const char* what() const noexcept override { return mText.c_str(); }

private:
    std::string mText;
};

// A failed host call: carries the code; the text is the code's name, a
// blank and the code in parentheses ("HPI_ERROR_NULL_OBJECT (-20004)").
class ResultError : public Any {
public:
    // [any]
    explicit ResultError(HPI_Result result);
    // [any]
    HPI_Result Result() const { return mResult; }

private:
    HPI_Result mResult;
};

}  // namespace HPI::Exception

// Holds a host answer that must be 0: constructing or assigning any other
// value traces "HPI_CheckedResult - throwing %s" (priority
// kHPI_TracePriority_CheckedResult) and throws HPI::Exception::ResultError.
// [main]
class HPI_CheckedResult {
public:
    // [any]
    HPI_CheckedResult(HPI_Result result = HPI_SUCCESS) { Check(result); }
    HPI_CheckedResult& operator=(HPI_Result result) {
        Check(result);
        return *this;
    }
    // [any]
    operator HPI_Result() const { return mResult; }

private:
    void Check(HPI_Result result);
    HPI_Result mResult = HPI_SUCCESS;
};
