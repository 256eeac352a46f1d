#pragma once

#include "text/Exception.h"

// File failures in the runtime's style, naming the file; `error` is an errno
// value whose strerror text is appended.
//   "ファイル "<path>" を開けません。<reason>"
Exception FileOpenError(const UnicodeString& path, int error);
//   "ファイル "<path>" を作成できません。<reason>"
Exception FileCreateError(const UnicodeString& path, int error);
//   "ファイル "<path>" を読み込めません。<reason>"
Exception FileReadError(const UnicodeString& path, int error);

// strerror text of an errno value as UTF-16.
UnicodeString ErrorText(int error);
