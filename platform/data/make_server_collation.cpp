// Writes the server collation's compiled form as a C++ source file that defines
// sv::data::builtServerCollation(). Run at build time with the ICU the program links.
// Usage: make_server_collation OUTPUT.cpp

#include "platform/data/server_collation.h"

#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.cpp\n", argv[0]);
        return 2;
    }
    UCollator* collator = sv::data::compileServerCollator();
    if (!collator) {
        std::fprintf(stderr, "%s: ICU refuses the server collation's rule\n", argv[0]);
        return 1;
    }
    UErrorCode status = U_ZERO_ERROR;
    std::vector<uint8_t> image(size_t(ucol_cloneBinary(collator, nullptr, 0, &status)));
    status = U_ZERO_ERROR;
    ucol_cloneBinary(collator, image.data(), int32_t(image.size()), &status);
    ucol_close(collator);
    std::FILE* out = U_SUCCESS(status) ? std::fopen(argv[1], "w") : nullptr;
    if (!out) {
        std::fprintf(stderr, "%s: can't write the compiled collation to %s\n", argv[0], argv[1]);
        return 1;
    }
    std::fprintf(out,
                 "// Made by make_server_collation at build time; not to be edited.\n"
                 "#include \"platform/data/server_collation.h\"\n\n"
                 "namespace {\nalignas(16) const uint8_t kCompiled[] = {");
    for (size_t i = 0; i < image.size(); ++i)
        std::fprintf(out, "%s%u", i == 0 ? "\n" : i % 20 ? "," : ",\n", image[i]);
    std::fprintf(out,
                 "};\n}  // namespace\n\n"
                 "std::span<const uint8_t> sv::data::builtServerCollation() {\n    return kCompiled;\n}\n");
    return std::fclose(out) == 0 ? 0 : 1;
}
