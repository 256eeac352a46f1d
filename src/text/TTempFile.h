#pragma once

#include "text/UnicodeString.h"

// A uniquely named scratch file that exists while the object lives.
class TTempFile {
public:
    // Creates the file in `directory` (the temporary folder when empty) and,
    // when `extension` (with its ".") is given, renames it to carry that
    // extension; if the rename fails the file keeps its ".tmp" name.
    explicit TTempFile(const UnicodeString& extension = UnicodeString(),
                       const UnicodeString& directory = UnicodeString());
    // Deletes the file; a failure to delete is ignored.
    virtual ~TTempFile();

    TTempFile(const TTempFile&) = delete;
    TTempFile& operator=(const TTempFile&) = delete;

    const UnicodeString& FileName() const { return fileName_; }

private:
    UnicodeString fileName_;
};
