#pragma once
// The generation benchmarks' shared workload: a workbook of records, the
// card and list templates over it, and the plain C loop that only writes
// finished pages (the file system's share of a job).
#include <fcntl.h>
#include <unistd.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <map>
#include <string>
#include <utility>
#include <vector>
#include <xlsxwriter.h>

#include "ProcessTiming.h"

namespace workload {

namespace fs = std::filesystem;

inline double Seconds(const std::chrono::steady_clock::time_point& start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

inline void WriteWorkbook(const fs::path& path, int records)
{
    lxw_workbook_options options = {};
    options.constant_memory = LXW_TRUE;
    lxw_workbook* book = workbook_new_opt(path.c_str(), &options);
    lxw_worksheet* ws = workbook_add_worksheet(book, "data");
    for (int c = 0; c < 10; ++c)
        worksheet_write_string(ws, 0, static_cast<lxw_col_t>(c), ("列" + std::to_string(c + 1)).c_str(), nullptr);
    char id[16];
    for (int i = 1; i <= records; ++i) {
        const lxw_row_t r = static_cast<lxw_row_t>(i);
        std::snprintf(id, sizeof id, "R%06d", i);
        const std::string n = std::to_string(i);
        worksheet_write_string(ws, r, 0, id, nullptr);
        worksheet_write_string(ws, r, 1, (std::string(i % 7 == 0 ? "田中 & 佐藤 商店 " : "みなと書店 ") + n).c_str(), nullptr);
        worksheet_write_number(ws, r, 2, (i * 37) % 100000, nullptr);
        worksheet_write_string(ws, r, 3, ("<b>特価</b> " + n).c_str(), nullptr);
        worksheet_write_string(ws, r, 4, "東京都港区", nullptr);
        worksheet_write_string(ws, r, 5, ("03-0000-" + n).c_str(), nullptr);
        worksheet_write_string(ws, r, 6, "営業中", nullptr);
        worksheet_write_string(ws, r, 7, ("item-" + n).c_str(), nullptr);
        worksheet_write_string(ws, r, 8, "★★★☆☆", nullptr);
        worksheet_write_string(ws, r, 9, ("一行目\n二行目 " + n).c_str(), nullptr);
    }
    workbook_close(book);
}

inline const std::string Row =
    "<tr><td><!--- cell name=A2 ---></td><td><!--- cell name=B2 escape=html ---></td>"
    "<td><!--- cell name=C2 ---></td><td><!--- cell name=D2 escape=html ---></td>"
    "<td><!--- cell name=E2 ---></td><td><!--- cell name=F2 ---></td><td><!--- cell name=G2 ---></td>"
    "<td><!--- cell name=H2 ---></td><td><!--- cell name=I2 ---></td>"
    "<td><!--- cell name=J2 escape=html multiline=br ---></td></tr>\n";

inline std::string Template(bool card)
{
    if (card)
        return "<html><body><!--- excel quit=A2 type=card ---><table>\n" + Row + "</table></body></html>\n";
    return "<html><body><!--- excel quit=A2 type=list ---><table>\n<!--- loop_start maxcount=100 --->" + Row +
           "<!--- loop_end ---></table></body></html>\n";
}

inline std::string Read(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline std::map<std::string, std::string> ReadPages(const fs::path& folder)
{
    std::map<std::string, std::string> pages;
    for (const auto& e : fs::directory_iterator(folder))
        pages[e.path().filename().string()] = Read(e.path());
    return pages;
}

// The file-system limit: a plain C loop that creates and writes the finished
// pages (one open, one write, one close each), nothing else.
inline TTiming WriteOnly(const std::map<std::string, std::string>& pages, const fs::path& folder)
{
    fs::create_directories(folder);
    std::vector<std::pair<std::string, const std::string*>> files;
    for (const auto& [name, bytes] : pages)
        files.emplace_back((folder / name).string(), &bytes);
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    const auto start = std::chrono::steady_clock::now();
    for (const auto& [path, bytes] : files) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 || ::write(fd, bytes->data(), bytes->size()) != static_cast<ssize_t>(bytes->size()) ||
            ::close(fd) != 0) {
            std::cerr << "cannot write " << path << "\n";
            std::exit(1);
        }
    }
    const double wall = Seconds(start);
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    return TTiming{wall, CpuSeconds(after) - CpuSeconds(before)};
}


// The best of several runs, each into a fresh folder: a loaded machine only
// ever makes a run slower.
template <class Run>
TTiming Best(int runs, const fs::path& folder, Run run)
{
    TTiming best{1e30, 1e30};
    for (int i = 0; i < runs; ++i) {
        fs::remove_all(folder);
        const TTiming t = run();
        best.wall = std::min(best.wall, t.wall);
        best.cpu = std::min(best.cpu, t.cpu);
    }
    return best;
}

} // namespace workload
