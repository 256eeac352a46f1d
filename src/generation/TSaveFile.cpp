#include "generation/TSaveFile.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "generation/TPageRing.h"
#include "text/TConvert.h"
#include "text/TFileError.h"
#include "text/TStopSignal.h"
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
    const auto last = lastNumber_.try_emplace(name_, 0).first;
    for (std::uint64_t n = last->second + 1;; ++n) {
        name_.resize(base);
        AppendPageFileSuffix(name_, n);
        const int error = create(name_);
        if (error == EEXIST)
            continue;
        if (error != 0)
            throw FileCreateError(dir_ + TSaveFile::PageFileName(pageName, n), error);
        last->second = n;
        return n;
    }
}

void TPageFolder::PublishAll(TPageRing& ring, std::span<const TPageToPublish> pages,
                             const std::function<void()>& published)
{
    const std::size_t count = pages.size();
    std::vector<std::string_view> bytes(count);
    std::vector<int> fds(count);
    std::vector<int> errors(count);
    for (std::size_t i = 0; i < count; ++i) {
        bytes[i] = pages[i].bytes;
        fds[i] = pages[i].fd;
        errors[i] = pages[i].error;
    }
    struct TClose {
        TPageRing& ring;
        std::vector<int>& fds;
        ~TClose() { ring.Close(fds); }
    } close{ring, fds};
    ring.WriteUnnamed(folder_.Descriptor(), bytes, fds, errors);

    std::vector<std::string> names;
    std::vector<std::string> keys;
    std::vector<std::uint64_t> numbers;
    std::vector<int> results;
    for (std::size_t i = 0; i < count;) {
        TStopSignal::ThrowIfReceived();
        // The written pages from here on, up to a name met twice: each gets
        // the number Publish would try first, and they are linked together.
        // A name with "(" may be another page's numbered name, so it starts
        // a run of its own: the page before it must have searched on first.
        names.clear();
        keys.clear();
        numbers.clear();
        std::size_t end = i;
        while (end < count && fds[end] >= 0 && errors[end] == 0 && folder_.LinksByDescriptor() &&
               pages[end].name->find(u'\0') == UnicodeString::npos) {
            std::string key = ToNative(*pages[end].name);
            if (end > i && (key.find('(') != std::string::npos ||
                            std::find(keys.begin(), keys.end(), key) != keys.end()))
                break;
            const auto last = lastNumber_.find(key);
            const std::uint64_t n = (last == lastNumber_.end() ? 0 : last->second) + 1;
            names.push_back(key);
            AppendPageFileSuffix(names.back(), n);
            keys.push_back(std::move(key));
            numbers.push_back(n);
            ++end;
        }
        if (end == i) {
            // Not written, or not to be linked by the ring: the way of Publish.
            Publish(*pages[i].name, pages[i].bytes, fds[i], errors[i] == ENOTSUP ? 0 : errors[i]);
            published();
            ++i;
            continue;
        }
        results.resize(end - i);
        ring.Link(folder_.Descriptor(), std::span(fds).subspan(i, end - i), names, results);
        for (std::size_t k = 0; k < results.size(); ++k) {
            if (results[k] == 0) {
                lastNumber_[keys[k]] = numbers[k];
            } else {
                // Taken or refused: Publish searches on, or reports the failure.
                try {
                    Publish(*pages[i + k].name, pages[i + k].bytes, fds[i + k], 0);
                } catch (...) {
                    // Page by page, nothing after a failure would have been named.
                    for (std::size_t later = k + 1; later < results.size(); ++later) {
                        if (results[later] == 0)
                            ::unlinkat(folder_.Descriptor(), names[later].c_str(), 0);
                    }
                    throw;
                }
            }
            published();
        }
        i = end;
    }
}
