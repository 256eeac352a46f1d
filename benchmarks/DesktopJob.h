#pragma once
// The card merge the desktop benchmarks run (a workbook of `records`
// products and a template of three cells each) and the console runs'
// environment.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>
#include <unistd.h>
#include <xlsxwriter.h>

inline void WriteDesktopWorkbook(const std::filesystem::path& path, int records)
{
    lxw_workbook* book = workbook_new(path.c_str());
    lxw_worksheet* ws = workbook_add_worksheet(book, "data");
    for (int i = 0; i < records; ++i) {
        const auto r = static_cast<lxw_row_t>(i);
        worksheet_write_string(ws, r, 0, ("商品" + std::to_string(i + 1)).c_str(), nullptr);
        worksheet_write_number(ws, r, 1, 100.0 + i, nullptr);
        worksheet_write_string(ws, r, 2, "説明<とても>長い文章\n二行目", nullptr);
    }
    workbook_close(book);
}

inline void WriteDesktopJob(const std::filesystem::path& dir, int records)
{
    WriteDesktopWorkbook(dir / "data.xlsx", records);
    std::ofstream(dir / "card.html") << "<!--- excel quit=A1 type=card filename=A1 --->\n"
                                        "<h1><!--- cell name=A1 escape=html ---></h1>\n"
                                        "<p><!--- cell name=B1 ---></p>\n"
                                        "<p><!--- cell name=C1 escape=html multiline=br ---></p>\n";
}

// The environment without the display variables, for the console runs.
inline std::vector<char*> ConsoleEnvironment()
{
    std::vector<char*> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        if (entry.rfind("DISPLAY=", 0) != 0 && entry.rfind("WAYLAND_DISPLAY=", 0) != 0)
            env.push_back(*e);
    }
    env.push_back(nullptr);
    return env;
}
