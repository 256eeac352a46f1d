// libFuzzer target for velmora's task reader: any bytes as a task file must
// either be refused with an Exception or give a task whose MIME package and
// desktop entry are well-formed (no control characters, valid UTF-8, a
// launchable Exec line).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <unistd.h>

#include "FuzzCheck.h"
#include "TFreedesktopFiles.h"
#include "TVelmoraTask.h"
#include "text/Exception.h"

namespace {

bool HasControlCharacter(std::string_view text)
{
    for (char c : text)
        if ((static_cast<unsigned char>(c) < 0x20 && c != '\n') || c == 0x7F)
            return true;
    return false;
}

const std::string& TaskPath()
{
    static const std::string path = "/tmp/fuzz-velmora-task-" + std::to_string(::getpid()) + ".ini";
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::FILE* file = std::fopen(TaskPath().c_str(), "wb");
    if (file == nullptr)
        return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    TVelmoraTask task;
    try {
        task = ReadVelmoraTask(FromNative(TaskPath()));
    } catch (const Exception& e) {
        Check(!e.Message().empty());
        return 0;
    }
    Check(task.ext.size() >= 2 && task.ext[0] == u'.');
    if (task.command == TVelmoraCommand::Unregister)
        return 0;
    Check(!task.program.empty() && task.program[0] == u'/');
    const std::string xml = MimePackageXml(task.ext, task.fileType, true);
    const std::string entry = DesktopEntryText(task.program, true);
    Check(IsValidUtf8(xml) && IsValidUtf8(entry));
    Check(!HasControlCharacter(xml) && !HasControlCharacter(entry));
    // The launcher looks the program up before expanding field codes, so the
    // only "%" on the Exec line is the file's.
    const std::size_t exec = entry.find("\nExec=");
    Check(exec != std::string::npos);
    const std::string line = entry.substr(exec + 6, entry.find('\n', exec + 1) - exec - 6);
    Check(line.find('%') == line.size() - 2 && line.ends_with(" %f"));
    return 0;
}
