#pragma once

#include <filesystem>
#include <string_view>

#include "workbook/EOleException.h"

namespace Excel {

// The engine's "cannot open" error: names the workbook file and says why,
// in the runtime's style: ファイル "<path>" を開けません。<reason>
EOleException OpenError(const std::filesystem::path& file, std::u16string_view reason);

// Same, with the reason given as UTF-8 (library and system messages).
EOleException OpenErrorUtf8(const std::filesystem::path& file, std::string_view reason);

} // namespace Excel
