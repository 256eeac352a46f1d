#include "text/TTempFile.h"

#include <unistd.h>

#include "text/TFileUtility.h"

TTempFile::TTempFile(const UnicodeString& extension, const UnicodeString& directory)
    : fileName_(TFileUtility::CreateTempFileName(directory, UnicodeString()))
{
    if (extension.empty())
        return;
    try {
        const std::size_t slash = fileName_.rfind(u'/');
        const std::size_t dot = fileName_.rfind(u'.');
        const std::size_t stem = dot != UnicodeString::npos && (slash == UnicodeString::npos || dot > slash)
                                     ? dot : fileName_.size();
        const UnicodeString renamed = fileName_.substr(0, stem) + extension;
        // Never replace a file that is already there under the new name.
        if (TFileUtility::RenameNoReplace(fileName_, renamed))
            fileName_ = renamed;
    } catch (...) {
        ::unlink(ToNative(fileName_).c_str());
        throw;
    }
}

TTempFile::~TTempFile()
{
    ::unlink(ToNative(fileName_).c_str());
}
