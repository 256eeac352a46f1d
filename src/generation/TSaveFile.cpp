#include "generation/TSaveFile.h"

#include <cerrno>

#include "text/TConvert.h"
#include "text/TFileError.h"
#include "text/TStringUtility.h"

namespace {

UnicodeString WithDelimiter(const UnicodeString& folder)
{
    return folder.empty() || folder.back() != u'/' ? folder + u'/' : folder;
}

// PageFileName in native bytes: `name` holds the page name and gets the rest.
void AppendPageFileSuffix(std::string& name, std::uint64_t n)
{
    if (n >= 2)
        name.append("(").append(std::to_string(n)).append(")");
    name.append(".html");
}

} // namespace

namespace TSaveFile {

UnicodeString PageFileName(const UnicodeString& pageName, std::uint64_t n)
{
    if (n < 2)
        return pageName + u".html";
    return pageName + u"(" + IntToStr(static_cast<long long>(n)) + u").html";
}

void SaveTextFile(const UnicodeString& path, const UnicodeString& text, unsigned codePage)
{
    if (text.empty())
        return;
    const std::size_t slash = path.rfind(u'/');
    const UnicodeString folder = slash == UnicodeString::npos ? u"." : path.substr(0, slash + 1);
    const UnicodeString name = slash == UnicodeString::npos ? path : path.substr(slash + 1);
    if (name.empty() || name.find(u'\0') != UnicodeString::npos)
        throw FileCreateError(path, name.empty() ? EISDIR : EINVAL);
    const RawByteString page = TStringUtility::EncodePage(text, codePage);
    TCompleteFolder target(folder, path);
    if (const int error = target.Create(ToNative(name), page.bytes))
        throw FileCreateError(path, error);
}

} // namespace TSaveFile

TPageFolder::TPageFolder(const UnicodeString& folder)
    : dir_(WithDelimiter(folder)), folder_(folder.empty() ? u"/" : folder)
{
}

UnicodeString TPageFolder::Save(const UnicodeString& pageName, std::string_view bytes)
{
    const std::uint64_t n = SaveAs(pageName, [&](const std::string& name) { return folder_.Create(name, bytes); });
    return dir_ + TSaveFile::PageFileName(pageName, n);
}

void TPageFolder::Publish(const UnicodeString& pageName, std::string_view bytes, int fd, int error)
{
    SaveAs(pageName, [&](const std::string& name) {
        if (error != 0)
            return error;
        if (fd >= 0) {
            const int named = folder_.Name(fd, name);
            if (named != ENOTSUP)
                return named;
        }
        return folder_.Create(name, bytes);
    });
}

template <class Create>
std::uint64_t TPageFolder::SaveAs(const UnicodeString& pageName, Create create)
{
    // A NUL would cut the name, and its ".html", short.
    if (pageName.find(u'\0') != UnicodeString::npos)
        throw FileCreateError(dir_ + TSaveFile::PageFileName(pageName, 1), EINVAL);
    // PageFileName in native bytes, built in place for each number tried.
    name_ = ToNative(pageName);
    const std::size_t base = name_.size();
    // Only names that went past the first are remembered: a page name used
    // once, the usual case, costs no entry, and its next use finds the plain
    // name taken with one more try.
    const auto last = lastNumber_.find(name_);
    for (std::uint64_t n = last == lastNumber_.end() ? 1 : last->second + 1;; ++n) {
        name_.resize(base);
        AppendPageFileSuffix(name_, n);
        const int error = create(name_);
        if (error == EEXIST)
            continue;
        if (error != 0)
            throw FileCreateError(dir_ + TSaveFile::PageFileName(pageName, n), error);
        if (last != lastNumber_.end())
            last->second = n;
        else if (n >= 2)
            lastNumber_.emplace(name_.substr(0, base), n);
        return n;
    }
}

