// Feeds an arbitrary identifier text, with arbitrary numbers, lengths and
// buffer capacities, to every operation of the product's host face
// (HPI_IEffectParameters) that takes a parameter identifier. Checked: an
// identifier no parameter has is answered as unknown by every operation and
// changes nothing (state, host values, change count); a known one leaves
// every parameter finite and in range whatever the numbers; output texts stay
// inside the host's buffer, NUL-terminated.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/byte_chunk.h"
#include "core/param.h"
#include "fake_host.h"
#include "tarnwhistle.h"

namespace {

void Check(bool condition, const char* what, const char* operation) {
    if (!condition) {
        std::fprintf(stderr, "host identifier fuzzer: %s (%s)\n", what, operation);
        std::abort();
    }
}

struct Arguments {
    double value;
    double delta;
    int32_t numChars;
    int32_t capacity;
};

// A host text buffer of exactly the capacity, so a write past it shows.
class TextOut {
public:
    explicit TextOut(int32_t capacity) : mCapacity(capacity), mBuffer(new char[static_cast<size_t>(capacity)]) {
        if (capacity > 0) {
            std::memset(mBuffer.get(), 'x', static_cast<size_t>(capacity));
        }
    }
    char* Get() { return mBuffer.get(); }
    // The text written, after checking it ends inside the buffer. A refused
    // call (unknown identifier) need not write anything.
    std::string Text(HPI_Result result, const char* operation) const {
        if (mCapacity <= 0 || result == HPI_ERROR_INVALID_PARAMETER_ID) {
            return {};
        }
        const size_t length = strnlen(mBuffer.get(), static_cast<size_t>(mCapacity));
        Check(length < static_cast<size_t>(mCapacity), "text not terminated inside the buffer", operation);
        return std::string(mBuffer.get(), length);
    }

private:
    int32_t mCapacity;
    std::unique_ptr<char[]> mBuffer;
};

// What an operation answers for an identifier that names no parameter.
enum class Unknown {
    InvalidID,     // HPI_ERROR_INVALID_PARAMETER_ID
    EmptyText,     // success with the empty text
    Unimplemented, // the operation is not offered at all
};

struct Operation {
    const char* name;
    Unknown unknown;
    // Runs the operation; `text` receives any output text.
    HPI_Result (*run)(HPI_IEffectParameters& host, const char* id, const Arguments& args, std::string& text);
};

const Operation kOperations[] = {
    {"automatable", Unknown::InvalidID,
     [](HPI_IEffectParameters& host, const char* id, const Arguments&, std::string&) {
         bool automatable = false;
         return host.GetParameterIsAutomatable(id, &automatable);
     }},
    {"number of steps", Unknown::InvalidID,
     [](HPI_IEffectParameters& host, const char* id, const Arguments&, std::string&) {
         int32_t steps = 0;
         return host.GetParameterNumberOfSteps(id, &steps);
     }},
    {"type", Unknown::InvalidID,
     [](HPI_IEffectParameters& host, const char* id, const Arguments&, std::string&) {
         int32_t type = 0;
         return host.GetParameterType(id, &type);
     }},
    {"second code", Unknown::InvalidID,
     [](HPI_IEffectParameters& host, const char* id, const Arguments&, std::string&) {
         int32_t code = 0;
         return host.GetParameterSecondCode(id, &code);
     }},
    {"normalised value", Unknown::InvalidID,
     [](HPI_IEffectParameters& host, const char* id, const Arguments&, std::string&) {
         double value = -1.0;
         const HPI_Result result = host.GetParameterNormalizedValue(id, &value);
         Check(result != HPI_SUCCESS || (value >= 0.0 && value <= 1.0), "normalised value outside 0..1", id);
         return result;
     }},
    {"default normalised value", Unknown::InvalidID,
     [](HPI_IEffectParameters& host, const char* id, const Arguments&, std::string&) {
         double value = -1.0;
         const HPI_Result result = host.GetParameterDefaultNormalizedValue(id, &value);
         Check(result != HPI_SUCCESS || (value >= 0.0 && value <= 1.0), "default outside 0..1", id);
         return result;
     }},
    {"set default normalised value", Unknown::InvalidID,
     [](HPI_IEffectParameters& host, const char* id, const Arguments& args, std::string&) {
         return host.SetParameterDefaultNormalizedValue(id, args.value);
     }},
    {"touch", Unknown::InvalidID,
     [](HPI_IEffectParameters& host, const char* id, const Arguments&, std::string&) { return host.TouchParameter(id); }},
    {"release", Unknown::InvalidID,
     [](HPI_IEffectParameters& host, const char* id, const Arguments&, std::string&) {
         return host.ReleaseParameter(id);
     }},
    {"name", Unknown::EmptyText,
     [](HPI_IEffectParameters& host, const char* id, const Arguments& args, std::string& text) {
         TextOut out(args.capacity);
         const HPI_Result result = host.GetParameterName(id, out.Get(), args.capacity);
         text = out.Text(result, "name");
         return result;
     }},
    {"name of length", Unknown::EmptyText,
     [](HPI_IEffectParameters& host, const char* id, const Arguments& args, std::string& text) {
         TextOut out(args.capacity);
         const HPI_Result result = host.GetParameterNameOfLength(id, args.numChars, out.Get(), args.capacity);
         text = out.Text(result, "name of length");
         Check(result != HPI_SUCCESS || args.numChars < 0 || text.size() <= static_cast<size_t>(args.numChars),
               "name longer than asked", id);
         return result;
     }},
    {"parameter object", Unknown::InvalidID,
     [](HPI_IEffectParameters& host, const char* id, const Arguments&, std::string&) {
         HPI_IParameter* parameter = reinterpret_cast<HPI_IParameter*>(1);
         const HPI_Result result = host.GetParameter(id, &parameter);
         Check((result == HPI_SUCCESS) == (parameter != nullptr), "parameter object and answer disagree", id);
         return result;
     }},
    {"index", Unknown::InvalidID,
     [](HPI_IEffectParameters& host, const char* id, const Arguments&, std::string&) {
         int32_t index = -2;
         const HPI_Result result = host.GetParameterIndex(id, &index);
         int32_t count = 0;
         host.GetNumberOfParameters(&count);
         Check(result == HPI_SUCCESS ? index >= 0 && index < count : index == -1, "index", id);
         return result;
     }},
    {"value from text", Unknown::InvalidID,
     [](HPI_IEffectParameters& host, const char* id, const Arguments&, std::string&) {
         double value = -1.0;
         const HPI_Result result = host.GetParameterValueFromString(id, id, &value);
         Check(result != HPI_SUCCESS || (value >= 0.0 && value <= 1.0), "value from text outside 0..1", id);
         return result;
     }},
    {"text from value", Unknown::InvalidID,
     [](HPI_IEffectParameters& host, const char* id, const Arguments& args, std::string& text) {
         TextOut out(args.capacity);
         const HPI_Result result =
             host.GetParameterStringFromValue(id, args.value, args.numChars, out.Get(), args.capacity);
         text = out.Text(result, "text from value");
         return result;
     }},
    {"value text", Unknown::InvalidID,
     [](HPI_IEffectParameters& host, const char* id, const Arguments& args, std::string& text) {
         TextOut out(args.capacity);
         const HPI_Result result = host.GetParameterValueString(id, args.numChars, out.Get(), args.capacity);
         text = out.Text(result, "value text");
         return result;
     }},
    {"value information", Unknown::Unimplemented,
     [](HPI_IEffectParameters& host, const char* id, const Arguments& args, std::string&) {
         int32_t value = 0;
         return host.GetParameterValueInfo(id, args.numChars, &value);
     }},
    {"set normalised value", Unknown::InvalidID,
     [](HPI_IEffectParameters& host, const char* id, const Arguments& args, std::string&) {
         return host.SetParameterNormalizedValue(id, args.value);
     }},
    {"set relative", Unknown::InvalidID,
     [](HPI_IEffectParameters& host, const char* id, const Arguments& args, std::string&) {
         return host.SetParameterNormalizedRelative(id, args.delta);
     }},
    {"update normalised value", Unknown::InvalidID,
     [](HPI_IEffectParameters& host, const char* id, const Arguments& args, std::string&) {
         return host.UpdateParameterNormalizedValue(id, args.value);
     }},
    {"update relative", Unknown::InvalidID,
     [](HPI_IEffectParameters& host, const char* id, const Arguments& args, std::string&) {
         return host.UpdateParameterNormalizedRelative(id, args.delta);
     }},
};

// Everything an operation on an unknown identifier must leave alone.
struct Snapshot {
    std::vector<unsigned char> state;
    std::vector<double> hostValues;
    int32_t changes = 0;
    std::vector<std::string> calls;

    bool operator==(const Snapshot&) const = default;
};

Snapshot Take(Tarnwhistle& plug, const fake_host::FakeInstance& instance) {
    Snapshot snapshot;
    ByteChunk state;
    plug.SaveState(state);
    snapshot.state.assign(state.Data(), state.Data() + state.Size());
    HPI_IEffectParameters& host = plug;
    int32_t count = 0;
    host.GetNumberOfParameters(&count);
    for (int32_t i = 0; i < count; ++i) {
        char id[32] = {};
        host.GetParameterIDFromIndex(i, id, sizeof id);
        double value = -1.0;
        host.GetParameterNormalizedValue(id, &value);
        snapshot.hostValues.push_back(value);
    }
    host.GetNumberOfChanges(&snapshot.changes);
    snapshot.calls = instance.calls;
    return snapshot;
}

bool Known(HPI_IEffectParameters& host, const std::string& id) {
    int32_t count = 0;
    host.GetNumberOfParameters(&count);
    for (int32_t i = 0; i < count; ++i) {
        char known[32] = {};
        host.GetParameterIDFromIndex(i, known, sizeof known);
        if (id == known) {
            return true;
        }
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    Arguments args{};
    args.value = input.ConsumeFloatingPoint<double>();
    args.delta = input.ConsumeFloatingPoint<double>();
    args.numChars = input.ConsumeIntegralInRange<int32_t>(-3, 300);
    args.capacity = input.ConsumeIntegralInRange<int32_t>(0, 48);
    // The host hands over NUL-terminated texts: the identifier ends at the first NUL.
    const std::string raw = input.ConsumeRemainingBytesAsString();
    const std::string id(raw.c_str());

    fake_host::FakeInstance instance;
    Tarnwhistle* plug = static_cast<Tarnwhistle*>(MakePlug(InstanceInfo{}));
    instance.answerRequests = plug;
    HPI_IEffectParameters& host = *plug;
    host.Initialize(static_cast<HPI_IController*>(&instance));
    instance.calls.clear();

    const bool known = Known(host, id);
    const Snapshot before = Take(*plug, instance);
    for (const Operation& operation : kOperations) {
        std::string text;
        const HPI_Result result = operation.run(host, id.c_str(), args, text);
        if (known) {
            Check(result == HPI_SUCCESS || result == HPI_ERROR_INVALID_STRING_CONVERSION ||
                      result == HPI_ERROR_INVALID_ARGUMENT || result == HPI_ERROR_UNIMPLEMENTED,
                  "unexpected answer for a known identifier", operation.name);
            continue;
        }
        switch (operation.unknown) {
            case Unknown::InvalidID:
                Check(result == HPI_ERROR_INVALID_PARAMETER_ID, "an unknown identifier was not refused",
                      operation.name);
                break;
            case Unknown::EmptyText:
                Check(result == HPI_SUCCESS && text.empty(), "an unknown identifier has a name", operation.name);
                break;
            case Unknown::Unimplemented:
                Check(result == HPI_ERROR_UNIMPLEMENTED || result == HPI_ERROR_INVALID_PARAMETER_ID,
                      "unexpected answer", operation.name);
                break;
        }
        Check(Take(*plug, instance) == before, "an unknown identifier changed something", operation.name);
    }

    for (int i = 0; i < plug->NParams(); ++i) {
        const Param& param = *plug->GetParam(i);
        const double value = param.GetValue();
        Check(std::isfinite(value) && value >= param.Min() && value <= param.Max(), "parameter outside its range",
              plug->ParamIdentifier(i));
        double hostValue = -1.0;
        host.GetParameterNormalizedValue(plug->ParamIdentifier(i), &hostValue);
        Check(std::isfinite(hostValue) && hostValue >= 0.0 && hostValue <= 1.0, "host value outside 0..1",
              plug->ParamIdentifier(i));
    }

    host.Uninitialize();
    host.Release();
    return 0;
}
