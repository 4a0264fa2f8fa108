#include "platform/data/server_collation.h"

namespace sv::data {

namespace {

// Secondary strength: base letters first, then accents; letter case (tertiary) never counts.
UCollator* atServerStrength(UCollator* collator) {
    ucol_setStrength(collator, UCOL_SECONDARY);
    return collator;
}

}  // namespace

UCollator* compileServerCollator() {
    // The root collation, no locale's tailoring, but for "ß", which the server takes for "ss" where
    // the root collation has it differ by more than letter case.
    static const UChar rules[] = u"&ss=\u00DF";
    UErrorCode status = U_ZERO_ERROR;
    UCollator* collator = ucol_openRules(rules, -1, UCOL_DEFAULT, UCOL_DEFAULT_STRENGTH, nullptr, &status);
    if (U_FAILURE(status)) {
        ucol_close(collator);
        return nullptr;
    }
    return atServerStrength(collator);
}

UCollator* openServerCollator(std::span<const uint8_t> compiled) {
    UErrorCode status = U_ZERO_ERROR;
    // The compiled form holds only the tailoring; it is opened on the root collation it tailors,
    // which stays loaded when its own collator is closed.
    UCollator* root = ucol_open("", &status);
    UCollator* collator = compiled.empty() || U_FAILURE(status)
                              ? nullptr
                              : ucol_openBinary(compiled.data(), int32_t(compiled.size()), root, &status);
    ucol_close(root);
    if (collator && U_SUCCESS(status)) return atServerStrength(collator);
    ucol_close(collator);
    return compileServerCollator();
}

}  // namespace sv::data
