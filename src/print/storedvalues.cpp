#include "storedvalues.h"

#include "settingsstore.h"

LOGFONTW ReadLogFontValue(const CSettingsStore& settings, const QString& name) {
    if (const auto bytes = settings.ReadFixedBinaryValue(name, LOGFONTW::kSize)) {
        if (const auto font = LOGFONTW::FromBytes(*bytes))
            return *font;
    }
    return StockVariableFontDescription();
}
