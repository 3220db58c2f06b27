#pragma once

#include "contacts/columnmapping.h"

#include <QStringList>

#include <optional>

class CSettingsStore;

// Column mappings the user gave, remembered for lists with the same header
// row, in our own key beside the window's values: next month's list of the
// same club reads without being told again.
std::optional<CColumnMapping> RememberedColumnMapping(const CSettingsStore& settings,
                                                      const QStringList& header);
bool RememberColumnMapping(CSettingsStore& settings, const QStringList& header,
                           const CColumnMapping& mapping);
// The lookup an import asks, on those settings.
ColumnMappingLookup ColumnMappingLookupIn(const CSettingsStore& settings);
