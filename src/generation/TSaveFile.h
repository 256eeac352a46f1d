#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "text/TCompleteFolder.h"
#include "text/UnicodeString.h"

// Turning rendered pages into files in the output folder. A page appears
// under its name only when it is complete, and never takes the place of
// anything already there, also when another run writes into the same folder.
namespace TSaveFile {

// "<pageName>.html" for n below 2, "<pageName>(n).html" from 2 on.
UnicodeString PageFileName(const UnicodeString& pageName, std::uint64_t n);

// Writes the text, with the preamble of its code page, as a new complete
// file at `path`; empty text creates nothing. Raises the file-creation error
// (EEXIST when the name is taken) and leaves nothing behind on failure.
void SaveTextFile(const UnicodeString& path, const UnicodeString& text, unsigned codePage);

} // namespace TSaveFile

// The pages of one run in one output folder.
class TPageFolder {
public:
    // Raises the file-creation error when the folder cannot be opened.
    explicit TPageFolder(const UnicodeString& folder);

    // Creates "<pageName>.html", or the first "<pageName>(n).html" from 2 up
    // that is not taken (by anything, a folder included), holding `bytes`.
    // The name is chosen by the creation itself, so concurrent runs cannot
    // collide, and within a run the search for a name resumes after the last
    // number past the first it gave. Returns the path; raises the
    // file-creation error.
    UnicodeString Save(const UnicodeString& pageName, std::string_view bytes);

    // Save for a page already written to an unnamed file of the folder by
    // WriteUnnamed on another thread: `fd` is that file, or -1 when there is
    // none (then the page is written here); `error` is the failure that
    // writing met, reported under the name the page would have had.
    void Publish(const UnicodeString& pageName, std::string_view bytes, int fd, int error);

    // See TCompleteFolder::WriteUnnamed; safe while another thread saves.
    int WriteUnnamed(std::string_view bytes, int& fd) const { return folder_.WriteUnnamed(bytes, fd); }
    bool UsesUnnamedFiles() const { return folder_.UsesUnnamedFiles(); }

    // "<folder>/" as given.
    const UnicodeString& Dir() const { return dir_; }

private:
    // The name search of Save: `create(name)` gives 0 or the errno. Returns
    // the number of the name given (see PageFileName).
    template <class Create>
    std::uint64_t SaveAs(const UnicodeString& pageName, Create create);

    UnicodeString dir_;
    TCompleteFolder folder_;
    // By native name: two names that are the same file count as one.
    std::unordered_map<std::string, std::uint64_t> lastNumber_;
    std::string name_;  // the name being tried, kept for its capacity
};
