#pragma once

#include <string>
#include <string_view>

#include "text/UnicodeString.h"

// Creating files that appear under their name only when complete and never
// take the place of anything: a killed process or a full disk leaves no
// truncated file behind, and two processes cannot both get one name. The
// folder is held open; each file is written and closed in one call.
class TCompleteFolder {
public:
    // Opens the folder; raises FileCreateError naming `reportAs` (or `path`
    // when that is empty) when it cannot.
    explicit TCompleteFolder(const UnicodeString& path, const UnicodeString& reportAs = UnicodeString());
    ~TCompleteFolder();
    TCompleteFolder(const TCompleteFolder&) = delete;
    TCompleteFolder& operator=(const TCompleteFolder&) = delete;

    // Writes `bytes` to a new file `name` (native bytes, relative to the
    // folder). Returns 0, or the errno of the failure: EEXIST when any entry
    // of that name exists (a folder or a dangling link included). On failure
    // nothing is left in the folder.
    int Create(const std::string& name, std::string_view bytes);

    // Create in two halves, for writing on one thread and naming on another.
    // WriteUnnamed leaves `bytes` in an unnamed file of the folder and gives
    // its descriptor; returns 0 or the errno, ENOTSUP when the file system
    // has no unnamed files. Safe to call while another thread names files.
    int WriteUnnamed(std::string_view bytes, int& fd) const;
    // Gives such a file the name `name`; returns 0 or the errno: EEXIST when
    // the name is taken, ENOTSUP when it cannot be linked here (Create then
    // works through temporaries). The descriptor stays open.
    int Name(int fd, const std::string& name);

    // False once the folder is known to need temporaries.
    bool UsesUnnamedFiles() const { return unnamedFiles_; }

    // Writes through a hidden temporary name that is moved into place, as on
    // file systems without unnamed files (found out by itself; tests force it).
    void UseNamedTemporaries() { unnamedFiles_ = false; }

private:
    int CreateUnnamed(const std::string& name, std::string_view bytes);
    int CreateThroughTemporary(const std::string& name, std::string_view bytes);
    int LinkUnnamed(int fd, const std::string& name);

    int fd_ = -1;
    // What this folder's file system supports, learnt from the first page.
    bool unnamedFiles_ = true;
    bool emptyPathLink_ = true;
    bool procLink_ = true;
    unsigned long temporaryCounter_ = 0;
};
