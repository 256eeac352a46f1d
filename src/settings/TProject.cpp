#include "settings/TProject.h"

#include <utility>

#include "settings/TIniFile.h"
#include "settings/TShellQuote.h"
#include "text/TConvert.h"

namespace {

constexpr char16_t SystemSection[] = u"SYSTEM";
constexpr char16_t ConfigSection[] = u"CONFIG";

int ClampEncoding(int n)
{
    return static_cast<unsigned>(n) <= 2u ? n : 0;
}

} // namespace

TProject::TProject(UnicodeString templateFilePath, int templateFileEncoding, UnicodeString excelFilePath,
                   UnicodeString htmlSavePath, int htmlEncoding)
    : TemplateFilePath(std::move(templateFilePath)),
      TemplateFileEncoding(templateFileEncoding),
      ExcelFilePath(std::move(excelFilePath)),
      HtmlSavePath(std::move(htmlSavePath)),
      HtmlEncoding(htmlEncoding)
{
}

bool TProject::SameAs(const TProject& other) const
{
    return TemplateFilePath == other.TemplateFilePath && TemplateFileEncoding == other.TemplateFileEncoding &&
           ExcelFilePath == other.ExcelFilePath && HtmlSavePath == other.HtmlSavePath &&
           HtmlEncoding == other.HtmlEncoding;
}

void TProject::SetTemplateFileEncoding(int n)
{
    TemplateFileEncoding = ClampEncoding(n);
}

void TProject::SetHtmlEncoding(int n)
{
    HtmlEncoding = ClampEncoding(n);
}

void TProject::SaveToFile(const UnicodeString& path) const
{
    TIniFile ini = TIniFile::FromFile(path);
    ini.WriteInteger(SystemSection, u"VERSION", 1);
    ini.WriteString(ConfigSection, u"TemplateFilePath", TemplateFilePath);
    ini.WriteInteger(ConfigSection, u"TemplateFileEncoding", TemplateFileEncoding);
    ini.WriteString(ConfigSection, u"ExcelFilePath", ExcelFilePath);
    ini.WriteString(ConfigSection, u"HtmlSavePath", HtmlSavePath);
    ini.WriteInteger(ConfigSection, u"HtmlEncoding", HtmlEncoding);
    ini.SaveToFile(path);
}

void TProject::LoadFromFile(const UnicodeString& path)
{
    const TIniFile ini = TIniFile::FromFile(path);
    TemplateFilePath = ini.ReadString(ConfigSection, u"TemplateFilePath", u"");
    TemplateFileEncoding = ini.ReadInteger(ConfigSection, u"TemplateFileEncoding", 0);
    ExcelFilePath = ini.ReadString(ConfigSection, u"ExcelFilePath", u"");
    HtmlSavePath = ini.ReadString(ConfigSection, u"HtmlSavePath", u"");
    HtmlEncoding = ini.ReadInteger(ConfigSection, u"HtmlEncoding", 0);
}

bool TProject::HoldsProject(const UnicodeString& path)
{
    return TIniFile::FromFile(path).SectionExists(ConfigSection);
}

UnicodeString TProject::MakeBatchCommandLine(const UnicodeString& programPath) const
{
    UnicodeString line = ShellQuote(programPath);
    line += u" -a ";
    line += ShellQuote(u"-t=" + TemplateFilePath);
    line += u' ';
    line += ShellQuote(u"-x=" + ExcelFilePath);
    line += u' ';
    line += ShellQuote(u"-d=" + HtmlSavePath);
    line += u" -te=";
    line += IntToStr(TemplateFileEncoding);
    line += u" -de=";
    line += IntToStr(HtmlEncoding);
    return line;
}
