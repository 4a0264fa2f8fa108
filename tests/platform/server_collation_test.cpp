// The server collation opened from the compiled form the build made and, when the running ICU
// rejects a compiled form, compiled from its rule: either way it orders as the server does.
#include "platform/data/server_collation.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace sv::data;

namespace {

using Collator = std::unique_ptr<UCollator, decltype(&ucol_close)>;

int order(UCollator* collator, const std::string& left, const std::string& right) {
    UErrorCode status = U_ZERO_ERROR;
    const UCollationResult result = ucol_strcollUTF8(collator, left.data(), int32_t(left.size()),
                                                     right.data(), int32_t(right.size()), &status);
    EXPECT_TRUE(U_SUCCESS(status));
    return result;
}

void expectServerOrder(const Collator& collator, const std::string& form) {
    ASSERT_NE(collator, nullptr) << form;
    UCollator* c = collator.get();
    EXPECT_EQ(order(c, "Straße", "STRASSE"), 0) << form;  // "ß" is "ss", letter case never counts
    EXPECT_EQ(order(c, "maße", "Masse"), 0) << form;
    EXPECT_LT(order(c, "Masse", "Maße und Gewichte"), 0) << form;
    EXPECT_LT(order(c, "Apfel", "Äpfel"), 0) << form;  // accents decide only between equal base letters
    EXPECT_LT(order(c, "Äpfel", "Apfelsine"), 0) << form;
    EXPECT_LT(order(c, "zebra", "Zürich"), 0) << form;
}

std::vector<uint8_t> built() {
    const std::span<const uint8_t> image = builtServerCollation();
    return {image.begin(), image.end()};
}

// Whether the running ICU opens the compiled form itself, on the root collation it tailors.
bool icuOpens(const std::vector<uint8_t>& image) {
    UErrorCode status = U_ZERO_ERROR;
    const Collator root(ucol_open("", &status), &ucol_close);
    const Collator tailored(
        image.empty() ? nullptr : ucol_openBinary(image.data(), int32_t(image.size()), root.get(), &status),
        &ucol_close);
    return tailored && U_SUCCESS(status);
}

// Opened from a copy of the built form, so that a changed copy can be given too.
Collator opened(const std::vector<uint8_t>& image) {
    return {openServerCollator(image), &ucol_close};
}

TEST(ServerCollation, TheBuiltFormOrdersAsTheCompiledRule) {
    ASSERT_TRUE(icuOpens(built())) << "the build's compiled form is not used";
    expectServerOrder(opened(built()), "built");
    expectServerOrder({compileServerCollator(), &ucol_close}, "rule");
}

TEST(ServerCollation, AFormTheRunningIcuRejectsFallsBackToTheRule) {
    std::vector<uint8_t> otherVersion = built();
    otherVersion.at(21) ^= 0x7f;  // in the header: the version of the root collation it tailors
    std::vector<uint8_t> otherFormat = built();
    otherFormat.at(16) ^= 0x7f;  // the format version
    std::vector<uint8_t> truncated = built();
    truncated.resize(truncated.size() / 2);
    const std::vector<uint8_t> garbage(built().size(), 0xa5);
    for (const auto& [form, image] :
         std::vector<std::pair<std::string, std::vector<uint8_t>>>{{"another data version", otherVersion},
                                                                   {"another format version", otherFormat},
                                                                   {"truncated", truncated},
                                                                   {"garbage", garbage},
                                                                   {"empty", {}}}) {
        EXPECT_FALSE(icuOpens(image)) << form << ": ICU takes it, the fall-back is not tested";
        expectServerOrder(opened(image), form);
    }
}

}  // namespace
