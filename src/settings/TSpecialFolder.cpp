#include "settings/TSpecialFolder.h"

#include <cstdlib>
#include <fstream>
#include <pwd.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "text/Exception.h"

namespace {

// Shell folder numbers of the kinds, in enumeration order.
constexpr int FolderCodes[] = {29, 26, 10, 30, 25, 31, 23, 22, 24, 3,  33, 0,  16, 17, 6,
                               20, 34, 1,  32, 19, 18, 5,  4,  27, 2,  8,  9,  11, 7,  21};

// Relative values are invalid in the XDG variables and are ignored.
std::string AbsoluteEnv(const char* name)
{
    const char* value = std::getenv(name);
    return value && value[0] == '/' ? std::string(value) : std::string();
}

std::string HomeFolder()
{
    std::string home = AbsoluteEnv("HOME");
    if (!home.empty())
        return home;
    std::vector<char> buffer(16384);
    passwd entry {};
    passwd* result = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &result) == 0 && result &&
        result->pw_dir && result->pw_dir[0] == '/')
        return result->pw_dir;
    return {};
}

// $XDG_<name>, else $HOME/<fallback>; "" without a home folder.
std::string XdgBase(const char* variable, const char* fallback)
{
    std::string folder = AbsoluteEnv(variable);
    if (!folder.empty())
        return folder;
    const std::string home = HomeFolder();
    return home.empty() ? std::string() : home + "/" + fallback;
}

// A user folder from user-dirs.dirs (XDG_DESKTOP_DIR="$HOME/Desktop").
std::string UserDir(const std::string& key, const char* fallback)
{
    const std::string home = HomeFolder();
    if (home.empty())
        return {};
    const std::string config = XdgBase("XDG_CONFIG_HOME", ".config");
    std::ifstream in(config + "/user-dirs.dirs");
    std::string line;
    while (std::getline(in, line)) {
        const std::string prefix = key + "=\"";
        if (line.rfind(prefix, 0) != 0 || line.size() < prefix.size() + 1 || line.back() != '"')
            continue;
        std::string value = line.substr(prefix.size(), line.size() - prefix.size() - 1);
        if (value.rfind("$HOME", 0) == 0)
            value = home + value.substr(5);
        if (!value.empty() && value[0] == '/')
            return value;
    }
    return fallback[0] ? home + "/" + fallback : home;
}

std::string FolderOf(int code)
{
    switch (code) {
    case 26: return XdgBase("XDG_CONFIG_HOME", ".config");                     // application data
    case 0:
    case 16: return UserDir("XDG_DESKTOP_DIR", "Desktop");                     // desktop
    case 5: return UserDir("XDG_DOCUMENTS_DIR", "");                           // documents
    case 21: return UserDir("XDG_TEMPLATES_DIR", "");                          // templates
    case 20: {                                                                 // fonts
        const std::string data = XdgBase("XDG_DATA_HOME", ".local/share");
        return data.empty() ? data : data + "/fonts";
    }
    case 32: return XdgBase("XDG_CACHE_HOME", ".cache");                       // internet cache
    case 2:
    case 11: {                                                                 // programs, start menu
        const std::string data = XdgBase("XDG_DATA_HOME", ".local/share");
        return data.empty() ? data : data + "/applications";
    }
    case 7:
    case 29: {                                                                 // startup
        const std::string config = XdgBase("XDG_CONFIG_HOME", ".config");
        return config.empty() ? config : config + "/autostart";
    }
    case 22:
    case 23: return "/usr/share/applications";
    case 24:
    case 30: return "/etc/xdg/autostart";
    default: return {};  // no counterpart on this platform
    }
}

} // namespace

int SpecialFolderCode(TSpecialFolderKind kind)
{
    const int index = static_cast<int>(kind);
    if (index < 0 || index >= static_cast<int>(std::size(FolderCodes)))
        throw Exception(u"指定されたコードが見つかりません。");
    return FolderCodes[index];
}

UnicodeString GetSpecialFolderPath(TSpecialFolderKind kind)
{
    return FromNative(FolderOf(SpecialFolderCode(kind)));
}

UnicodeString ConfigFilePath()
{
    UnicodeString folder = GetSpecialFolderPath(sfAppData);
    if (folder.empty() || folder.back() != u'/')
        folder += u'/';
    return folder + u"Orvanta/tabloom/tabloom.ini";
}
