#pragma once

#include <cstddef>
#include <string_view>

#include "text/UnicodeString.h"

namespace TFileUtility {

// Owns an open descriptor and closes it on every way out.
class TFileDescriptor {
public:
    explicit TFileDescriptor(int fd) : fd_(fd) {}
    ~TFileDescriptor();
    TFileDescriptor(const TFileDescriptor&) = delete;
    TFileDescriptor& operator=(const TFileDescriptor&) = delete;
    int Get() const { return fd_; }

private:
    int fd_;
};

// Writes every byte to an open descriptor, retrying after signals.
bool WriteAllBytes(int fd, std::string_view bytes);

// Reads `size` bytes, fewer only at the end of the file, retrying after
// signals; `got` tells how many. False on a read error (errno says which).
bool ReadAllBytes(int fd, char* data, std::size_t size, std::size_t& got);

// The whole file, tagged with the raw code page. Raises FileOpenError when it
// cannot be opened (a folder included) and FileReadError when reading fails.
RawByteString LoadFileBytes(const UnicodeString& path);

// Makes cell text usable as a file name: characters Windows forbids become
// their full-width look-alikes, control characters (U+0000-U+001F) a blank,
// an unpaired surrogate U+FFFD, and a reserved device base name (CON, PRN,
// AUX, CLOCK$, NUL, COM0-9, LPT0-9) full width.
UnicodeString ToValidFileName(const UnicodeString& name);

// The user's temporary folder with a trailing "/". Raises
// "Cannot get temporary direcotry." when there is none.
UnicodeString GetTempDirectory();

// Creates a new, empty, uniquely named "<prefix><hex>.tmp" file in
// `directory` (the temporary folder when empty) and returns its path.
// Raises "一時ファイルの作成に失敗しました。" and creates nothing on failure.
UnicodeString CreateTempFileName(const UnicodeString& directory, const UnicodeString& prefix);
UnicodeString CreateTempFileName();

// Renames a file unless something already exists under the new name; tells
// whether it did.
bool RenameNoReplace(const UnicodeString& from, const UnicodeString& to);

} // namespace TFileUtility
