// The search script: split into the form and written back (which must read the same way), and
// compiled, then evaluated on a few values.
#include "fuzz_check.h"
#include "ops/search.h"

using namespace tarvio;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view script = tarvio_fuzz::text(data, size);
    std::string err;
    SearchForm form;
    if (parseSearchForm(script, form, err)) {
        const std::string written = formatSearchScript(form);
        SearchForm again;
        FUZZ_CHECK(parseSearchForm(written, again, err));
        FUZZ_CHECK(formatSearchScript(again) == written);
    }
    SearchScript compiled;
    if (!parseSearchScript(script, compiled, err)) return 0;
    for (const std::array<int64_t, 4>& values :
         {std::array<int64_t, 4>{0, 0, 0, 0}, {60, 480, 240, 100}, {-1, 0x0FFFFFFF, -0x0FFFFFFF, 127}}) {
        for (const auto& e : compiled.expressions)
            if (e) (void)e->evaluate(values);
        for (const SearchCondition& c : compiled.conditions) (void)c.matches(values[0]);
    }
    return 0;
}
