// The font description reader on any bytes: only 92 bytes make a
// description, it reads back to the same bytes, and turning it into a font
// and back never fails whatever the fields hold.
#include "fuzzsupport.h"
#include "print/logfont.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    EnsureGuiApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const std::optional<LOGFONTW> description = LOGFONTW::FromBytes(bytes);
    FUZZ_CHECK(description.has_value() == (size == LOGFONTW::kSize));
    if (!description)
        return 0;
    FUZZ_CHECK(description->ToBytes() == bytes);
    FUZZ_CHECK(LOGFONTW::FromBytes(description->ToBytes()) == description);

    const QFont font = FontFromLogFont(*description);
    const LOGFONTW back = LogFontFromFont(font, 96);
    FUZZ_CHECK(back.ToBytes().size() == LOGFONTW::kSize);
    return 0;
}
