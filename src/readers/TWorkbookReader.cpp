#include "readers/TWorkbookReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "readers/csv/TCsvReader.h"
#include "readers/ods/TOdsReader.h"
#include "workbook/TWorkbookError.h"
#include "readers/xls/TXlsConverter.h"
#include "readers/xlsx/TXlsxReader.h"
#include "readers/TZipArchive.h"
#include "text/TFileUtility.h"

namespace Excel {

namespace {

constexpr std::string_view Ole2Signature("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
constexpr std::string_view OdsMimeType = "application/vnd.oasis.opendocument.spreadsheet";

// An encrypted Office file is an OLE2 container with a directory entry
// "EncryptedPackage"; directory entries are 128-byte records after the
// 512-byte header.
bool IsEncryptedPackage(int fd)
{
    static const std::u16string_view name = u"EncryptedPackage";
    std::string wanted;
    for (char16_t c : name) {
        wanted += static_cast<char>(c & 0xFF);
        wanted += static_cast<char>(c >> 8);
    }
    wanted.append(2, '\0');
    if (::lseek(fd, 512, SEEK_SET) < 0)
        return false;
    std::string buffer(1 << 16, '\0');
    std::size_t got = 0;
    while (TFileUtility::ReadAllBytes(fd, buffer.data(), buffer.size(), got) && got > 0) {
        for (std::size_t offset = 0; offset + 128 <= got; offset += 128)
            if (buffer.compare(offset, wanted.size(), wanted) == 0)
                return true;
        if (got < buffer.size())
            break;
    }
    return false;
}

UnicodeString SystemReason(int error)
{
    switch (error) {
    case ENOENT:
        return u"ファイルが見つかりません。";
    case EACCES:
    case EPERM:
        return u"アクセスが拒否されました。";
    case EISDIR:
        return u"ファイルではなくフォルダーです。";
    case ENOTDIR:
        return u"パスの途中がフォルダーではありません。";
    case ENAMETOOLONG:
        return u"ファイル名が長すぎます。";
    case ELOOP:
        return u"シンボリックリンクが循環しています。";
    default:
        return Utf8ToUtf16(std::strerror(error));
    }
}

TWorkbookKind ZipKind(const std::filesystem::path& file)
{
    const TZipArchive archive(file);
    if (archive.Contains("mimetype")) {
        const std::string mime = archive.Read("mimetype");
        if (mime.compare(0, OdsMimeType.size(), OdsMimeType) == 0)
            return TWorkbookKind::Ods;
    }
    if (archive.Contains("_rels/.rels") || archive.Contains("xl/workbook.xml"))
        return TWorkbookKind::Xlsx;
    throw OpenError(file, u"ZIP ファイルですが、Excel ブックでも OpenDocument スプレッドシートでもありません。");
}

} // namespace

TWorkbookKind DetectWorkbookKind(const std::filesystem::path& file)
{
    if (file.empty())
        throw OpenError(file, u"ファイル名が指定されていません。");
    // O_NONBLOCK so a FIFO cannot stall the open; the type is checked next.
    const TFileUtility::TFileDescriptor fd(::open(file.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (fd.Get() < 0)
        throw OpenError(file, SystemReason(errno));
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0)
        throw OpenError(file, SystemReason(errno));
    if (S_ISDIR(st.st_mode))
        throw OpenError(file, SystemReason(EISDIR));
    if (!S_ISREG(st.st_mode))
        throw OpenError(file, u"通常のファイルではありません (デバイスやパイプは開けません)。");

    char head[512];
    std::size_t got = 0;
    if (!TFileUtility::ReadAllBytes(fd.Get(), head, sizeof head, got))
        throw OpenError(file, SystemReason(errno));
    const std::string_view start(head, got);

    if (TZipArchive::HasSignature(start))
        return ZipKind(file);
    if (start.substr(0, Ole2Signature.size()) == Ole2Signature) {
        if (IsEncryptedPackage(fd.Get()))
            throw OpenError(file, u"パスワードで保護されたブックは開けません。"
                                  u"保護を解除して保存し直してください。");
        return TWorkbookKind::Xls;
    }
    // Text has no NUL bytes; anything else is a format this engine does not know.
    if (start.find('\0') != std::string_view::npos)
        throw OpenError(file, u"ファイルの形式が正しくないか、対応していない形式です。");
    return TWorkbookKind::Csv;
}

std::unique_ptr<TWorkbookData> OpenWorkbookFile(const std::filesystem::path& file)
{
    switch (DetectWorkbookKind(file)) {
    case TWorkbookKind::Xlsx:
        return ReadXlsxWorkbook(file);
    case TWorkbookKind::Ods:
        return ReadOdsWorkbook(file);
    case TWorkbookKind::Xls:
        return ReadXlsWorkbook(file);
    case TWorkbookKind::Csv:
        return ReadCsvWorkbook(file);
    }
    throw OpenError(file, u"対応していない形式です。");
}

} // namespace Excel
