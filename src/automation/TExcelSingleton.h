#pragma once

#include "automation/TExcel.h"

namespace Excel {

// The one process-wide application object.
namespace TExcelSingleton {

// Attaches to a running application or starts one; the same object until
// Release. Raises TExcelException "Excelの起動に失敗しました。" when neither works.
TExcel& GetInstance();

// Quits the application if this process started it, then drops it.
void Release();

// Whether this process started the application it holds.
bool Started();

} // namespace TExcelSingleton

} // namespace Excel
