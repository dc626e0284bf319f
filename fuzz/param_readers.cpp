// Feeds arbitrary text to the host's readers of parameter values: a parameter file (JSON), a
// `--set NAME=VALUE` setting (keyframes included) applied at any frame, and a single value by
// the parameter's type. Beyond "no crash", it checks that parsing a setting changes nothing, that
// a refused value leaves the values as they were, and that whatever was accepted, the file that
// `velmora params --json` writes of it reads back to the same values.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "effect/entry.h"
#include "fuzz/fuzz_checks.h"
#include "host/host_ops.h"
#include "host/keyframes.h"
#include "host/param_values.h"
#include "host/sequence.h"

namespace {

void Check(bool condition, const char* what) { FuzzCheck(condition, "parameter reader", what); }

std::vector<uint8_t> Values(const HostSession& s)
{
    std::vector<uint8_t> bytes(s.values.size() * sizeof(PF_ParamDef));
    if (!bytes.empty())
        std::memcpy(bytes.data(), s.values.data(), bytes.size());
    return bytes;
}

// What the host writes of the current values must read back to the very same values: a
// parameter file saved from a session restores it exactly.
void CheckFileRoundTrip(HostSession& s)
{
    const std::vector<uint8_t> before = Values(s);
    std::string error;
    Check(ApplyParamsJson(s, ParamsToJson(s), error), "the written parameter file reads back");
    Check(Values(s) == before, "reading the written file back changes no value");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    HostSession& s = FuzzSession();
    SetLayerSize(s, 1920, 1080);
    ResetParamValues(s);
    std::string error;
    switch (in.ConsumeIntegralInRange<int>(0, 2)) {
    case 0: {
        const std::string text = in.ConsumeRemainingBytesAsString();
        const nlohmann::ordered_json file = nlohmann::ordered_json::parse(text, nullptr, false);
        if (file.is_discarded())
            return 0;
        if (!ApplyParamsJson(s, file, error))
            Check(!error.empty(), "a refused file says why");
        break;
    }
    case 1: {
        const int32_t frame = in.ConsumeIntegral<int32_t>();
        const std::string text = in.ConsumeRemainingBytesAsString();
        const std::vector<uint8_t> before = Values(s);
        ParamSetting setting;
        const bool parsed = ParseSetting(s, text, setting, error);
        Check(Values(s) == before, "parsing a setting changes no value");
        if (!parsed) {
            Check(!error.empty(), "a refused setting says why");
            return 0;
        }
        Check(setting.index > 0 && size_t(setting.index) < s.values.size() && !setting.keys.empty(),
              "a parsed setting names a parameter and has a key");
        if (!ApplySetting(s, setting, frame, error)) {
            Check(!error.empty(), "a refused frame says why");
            Check(Values(s) == before, "a refused frame changes no value");
        }
        break;
    }
    case 2: {
        const int32_t index = in.ConsumeIntegralInRange<int32_t>(-1, int32_t(s.values.size()));
        const std::string text = in.ConsumeRemainingBytesAsString();
        const std::vector<uint8_t> before = Values(s);
        if (!SetParamFromText(s, index, text, error)) {
            Check(!error.empty(), "a refused value says why");
            Check(Values(s) == before, "a refused value changes nothing");
        }
        break;
    }
    }
    CheckFileRoundTrip(s);
    return 0;
}
