#pragma once
// SQL Server's default collation as an ICU collator: ICU's root collation at secondary strength, with
// "ß" taken for "ss". Compiling its rule costs milliseconds on every run, so the build compiles it
// once (make_server_collation.cpp) with the ICU the program links and the run opens that compiled
// form, which takes microseconds.

#include <unicode/ucol.h>

#include <cstdint>
#include <span>

namespace sv::data {

// Compiles the rule; null when ICU refuses it.
UCollator* compileServerCollator();

// Opens the collator from its compiled form; when the running ICU rejects the form (another ICU
// version, a damaged form), compiles the rule instead. Null only when both fail.
UCollator* openServerCollator(std::span<const uint8_t> compiled);

// The compiled form made at build time.
std::span<const uint8_t> builtServerCollation();

}  // namespace sv::data
