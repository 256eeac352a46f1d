#pragma once

#include <string_view>
#include <sys/types.h>

#include "text/UnicodeString.h"

namespace TAtomicFile {

// Replaces the file at `path` with `bytes` in one step: the bytes go to a
// temporary file in the same folder, which is flushed to disk and then renamed
// over the target. On any failure the old file is left as it was, the
// temporary file is removed, and an Exception with the platform's reason is
// raised. An existing file keeps its permission bits; a new file gets
// `newFileMode` less the umask. A symbolic link is followed, so the file it
// points to is replaced and the link stays. Where the folder takes no new
// file but the file itself is writable, or the file has several hard links,
// the file is overwritten in place instead, so saving still works and the
// links keep sharing it. Only regular files are replaced: a character device
// or a FIFO (with a reader) takes the bytes in place, a folder, block device
// or socket is refused.
void Write(const UnicodeString& path, std::string_view bytes, mode_t newFileMode = 0666);

// For files the program owns outright: whatever stands at `path` (a link, a
// hard link to another file) is replaced by a new regular file and never
// written through. A folder is refused.
void WriteOwnFile(const UnicodeString& path, std::string_view bytes, mode_t newFileMode);

} // namespace TAtomicFile
