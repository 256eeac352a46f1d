#include "TFreedesktopFiles.h"

namespace {

std::string XmlEscaped(const std::string& text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

bool NeedsQuoting(const std::string& argument)
{
    return argument.empty() || argument.find_first_of(" \t\n\"'\\><~|&;$*?#()`") != std::string::npos;
}

} // namespace

std::string DesktopExecArgument(const std::string& argument)
{
    std::string quoted;
    if (NeedsQuoting(argument)) {
        quoted = "\"";
        for (char c : argument) {
            if (c == '"' || c == '`' || c == '$' || c == '\\')
                quoted += '\\';
            quoted += c;
        }
        quoted += '"';
    } else {
        quoted = argument;
    }
    std::string value;
    for (char c : quoted) {
        if (c == '%')
            value += "%%";
        else if (c == '\\')
            value += "\\\\";
        else
            value += c;
    }
    return value;
}

std::string MimePackageXml(const UnicodeString& extension, const UnicodeString& comment, bool withIcon)
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
                      "  <mime-type type=\"";
    xml += MimeTypeName;
    xml += "\">\n    <comment>" + XmlEscaped(Utf16ToUtf8(comment)) + "</comment>\n";
    if (withIcon)
        xml += "    <icon name=\"" + std::string(AssociationName) + "\"/>\n";
    xml += "    <glob pattern=\"*" + XmlEscaped(Utf16ToUtf8(extension)) + "\"/>\n"
           "  </mime-type>\n"
           "</mime-info>\n";
    return xml;
}

std::string DesktopEntryText(const UnicodeString& program, bool withIcon)
{
    std::string text = "[Desktop Entry]\n"
                       "Type=Application\n"
                       "Name=tabloom\n"
                       "Comment=テンプレートにExcelデータを差し込み、HTMLファイルを作成する\n"
                       "Exec=" + DesktopExecArgument(Utf16ToUtf8(program)) + " %f\n";
    if (withIcon)
        text += "Icon=" + std::string(AssociationName) + "\n";
    text += "Terminal=false\n"
            "NoDisplay=true\n"
            "MimeType=" + std::string(MimeTypeName) + ";\n";
    return text;
}
