// The desktop program's overhead: a 20,000-record card merge run with -a in
// the progress window (on the display this is started under, e.g. Xvfb)
// against the same job run in the console, measured alternately in one run.
// usage: bench_desktop <tabloom> [records] [rounds]
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>
#include <xlsxwriter.h>

extern char** environ;
namespace fs = std::filesystem;

namespace {

void WriteWorkbook(const fs::path& path, int records)
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

// The environment without the display variables, for the console runs.
std::vector<char*> ConsoleEnvironment()
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

double Run(const std::vector<std::string>& args, char** env)
{
    std::vector<char*> argv;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), env) != 0) {
        std::cerr << "cannot start " << args[0] << "\n";
        std::exit(1);
    }
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    waitpid(pid, &status, 0);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::cerr << args[0] << " failed\n";
        std::exit(1);
    }
    return seconds;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::cerr << "usage: bench_desktop <tabloom> [records] [rounds]\n";
        return 2;
    }
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) {
        // benchmarks/run.sh runs every benchmark; this one only makes sense with a display.
        std::cout << "skipped: bench_desktop needs a display (scripts/bench-desktop.sh runs it under Xvfb)\n";
        return 0;
    }
    const std::string program = fs::absolute(argv[1]).string();
    const int records = argc > 2 ? std::atoi(argv[2]) : 20000;
    const int rounds = argc > 3 ? std::atoi(argv[3]) : 5;

    const fs::path dir = fs::temp_directory_path() / ("tabloom-bench-desktop-" + std::to_string(getpid()));
    fs::create_directories(dir);
    setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);  // the window writes its settings here
    WriteWorkbook(dir / "data.xlsx", records);
    std::ofstream(dir / "card.html") << "<!--- excel quit=A1 type=card filename=A1 --->\n"
                                        "<h1><!--- cell name=A1 escape=html ---></h1>\n"
                                        "<p><!--- cell name=B1 ---></p>\n"
                                        "<p><!--- cell name=C1 escape=html multiline=br ---></p>\n";

    std::vector<char*> consoleEnv = ConsoleEnvironment();
    double console = 1e9;
    double window = 1e9;
    for (int round = 0; round < rounds; ++round) {
        for (const bool inWindow : {false, true}) {
            const fs::path out = dir / "out";
            fs::remove_all(out);
            const std::vector<std::string> args = {program, "-a", "-t=" + (dir / "card.html").string(), "-te=1",
                                                   "-x=" + (dir / "data.xlsx").string(), "-d=" + out.string(), "-de=1"};
            const double seconds = Run(args, inWindow ? environ : consoleEnv.data());
            if (std::distance(fs::directory_iterator(out), fs::directory_iterator()) != records) {
                std::cerr << "the run did not make " << records << " pages\n";
                return 1;
            }
            (inWindow ? window : console) = std::min(inWindow ? window : console, seconds);
        }
    }
    fs::remove_all(dir);
    std::printf("%d-record card merge, best of %d runs each\n", records, rounds);
    std::printf("  console run (baseline)   %7.3f s   1.00x\n", console);
    std::printf("  progress window (-a)     %7.3f s   %.2fx\n", window, window / console);
    return 0;
}
