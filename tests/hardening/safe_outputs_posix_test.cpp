// Runs that are interrupted, fail or are refused leave the user's files as they were: the real
// program is run for every row, and afterwards the old bytes must be there and no temporary file
// left beside them.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "support/test_support.hpp"

namespace varnelo {
namespace {

using testing::TempDir;

struct Live {
  int status = 0;
  std::string output;
  bool timed_out = false;
};

struct Options {
  std::string trigger;                      // once the program has shown this text...
  int signal = 0;                           // ...it gets this signal
  bool terminal = false;                    // standard streams on a pseudo-terminal instead of pipes
  std::vector<int> closed;                  // standard descriptors the program starts without
  std::vector<std::string> arguments = {};  // a command instead of the menus; {dir} expands
  int exit_code = 0;
};

// Runs the program with `input` typed at once; the typing side stays open until a signal has
// been sent, so a question then waits for an answer that never comes.
Live run_live(const std::string& input, const Options& options) {
  Live live;
  const char* binary = std::getenv("VARNELO_BINARY");
  std::vector<char*> argv{const_cast<char*>(binary)};
  for (const std::string& argument : options.arguments)
    argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  int in[2], out[2], terminal = -1;
  if (options.terminal) {
    terminal = posix_openpt(O_RDWR | O_NOCTTY);
    if (terminal < 0 || grantpt(terminal) != 0 || unlockpt(terminal) != 0) return live;
  } else if (pipe(in) != 0 || pipe(out) != 0) {
    return live;
  }
  pid_t pid = fork();
  if (pid == 0) {
    if (options.terminal) {
      setsid();
      int side = open(ptsname(terminal), O_RDWR);
      termios settings;
      tcgetattr(side, &settings);
      settings.c_lflag &= ~static_cast<tcflag_t>(ECHO);
      tcsetattr(side, TCSANOW, &settings);
      for (int fd = 0; fd <= 2; ++fd)
        dup2(side, fd);
    } else {
      dup2(in[0], 0);
      dup2(out[1], 1);
      dup2(out[1], 2);
    }
    for (int fd : options.closed)
      close(fd);
    closefrom(3);
    // A program that went wrong writes no more than this, however large its input: the rows
    // hand it files of exbibytes, sparse, on a file system held in memory.
    rlimit most = {rlim_t{256} << 20, rlim_t{256} << 20};
    setrlimit(RLIMIT_FSIZE, &most);
    signal(SIGXFSZ, SIG_IGN);
    execv(binary, argv.data());
    _exit(127);
  }
  int typing = options.terminal ? terminal : in[1];
  int reading = options.terminal ? terminal : out[0];
  if (!options.terminal) {
    close(in[0]);
    close(out[1]);
  }
  if (write(typing, input.data(), input.size()) != static_cast<ssize_t>(input.size())) ADD_FAILURE();
  if (!options.terminal && options.signal == 0) close(typing);
  bool signalled = false;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  for (;;) {
    pollfd watch{reading, POLLIN, 0};
    if (poll(&watch, 1, 100) > 0) {
      char chunk[4096];
      ssize_t got = read(reading, chunk, sizeof chunk);
      if (got <= 0) break;
      live.output.append(chunk, static_cast<std::size_t>(got));
    } else if (waitpid(pid, &live.status, WNOHANG) == pid) {
      pid = 0;
      break;
    }
    if (options.signal != 0 && !signalled && live.output.find(options.trigger) != std::string::npos) {
      kill(pid, options.signal);
      signalled = true;
    }
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      live.timed_out = true;
    }
  }
  if (pid != 0) waitpid(pid, &live.status, 0);
  close(reading);
  if (!options.terminal && options.signal != 0) close(typing);
  return live;
}

std::string expand(std::string text, const std::string& dir) {
  for (std::size_t at; (at = text.find("{dir}")) != std::string::npos;)
    text.replace(at, 5, dir);
  return text;
}

std::string put(const std::string& dir, const std::string& name, const std::string& bytes) {
  testing::write_file(dir + "/" + name, bytes);
  return dir + "/" + name;
}

// A sparse file: long runs cost no disk.
void sparse(const std::string& dir, const std::string& name, std::uintmax_t size) {
  std::filesystem::resize_file(put(dir, name, "start"), size);
}

struct Row {
  std::string name;
  std::function<void(const std::string& dir)> setup;
  std::string input;
  Options options;
  std::map<std::string, std::string> old;  // files there before, which must keep their bytes
  std::vector<std::string> left;           // everything in the folder afterwards
  std::string shows;
  // Root of a folder the row needs instead of a fresh one in the temporary folder; a row whose
  // folder cannot be had is skipped.
  std::function<std::string()> place = nullptr;
  std::map<std::string, std::string> made = {};  // files the run made, with their bytes
  std::function<void(const std::string& dir)> check = nullptr;
};

constexpr std::uintmax_t gib = std::uintmax_t{1} << 30;

TEST(SafeOutputs, OldFilesSurviveAndNoTemporaryFileIsLeft) {
  const std::string enter_menu = "1\n";
  const std::vector<Row> rows = {
      {"interrupt during a cipher",
       [](const std::string& dir) { sparse(dir, "big", 2 * gib); },
       enter_menu + "0\n1\n1\n1\n{dir}/big\nkey\n{dir}/out\ny\n",
       {"Progress", SIGINT},
       {{"out", "old output"}},
       {"big", "out"}},
      {"interrupt during a split",
       [](const std::string& dir) { sparse(dir, "big", 2 * gib); },
       enter_menu + "1\n1\n{dir}/big\n4\n1\ny\n",
       {"Progress", SIGTERM},
       {{"big.001", "old piece"}},
       {"big", "big.001"}},
      {"interrupt during an encode",
       [](const std::string& dir) { sparse(dir, "big", gib); },
       enter_menu + "0\n3\n1\n{dir}/big\n{dir}/out\ny\n16\n",
       {"Progress", SIGHUP},
       {{"out.txt", "old text"}},
       {"big", "out.txt"}},
      {"interrupt at the question for the third piece",
       [](const std::string& dir) { put(dir, "in", testing::pattern_bytes(12000)); },
       enter_menu + "1\n1\n{dir}/in\n4\n1\n",
       {"Overwrite file", SIGTERM},
       {{"in.003", "old piece"}},
       {"in", "in.003"}},
      {"interrupt at the question for the line length",
       [](const std::string& dir) { put(dir, "in", "data"); },
       enter_menu + "0\n3\n1\n{dir}/in\n{dir}/out\ny\n",
       {"Bytes per line", SIGINT},
       {{"out.txt", "old text"}},
       {"in", "out.txt"}},
      {"refused overwrite in the middle of a split",
       [](const std::string& dir) { put(dir, "in", testing::pattern_bytes(12000)); },
       enter_menu + "1\n1\n{dir}/in\n4\n1\nn\n\n6\n",
       {},
       {{"in.003", "old piece"}},
       {"in", "in.003"},
       "Overwrite file (Y/N)? "},
      {"a disk that fills up",
       [](const std::string& dir) { put(dir, "in", testing::pattern_bytes(4 << 20)); },
       enter_menu + "0\n3\n2\n{dir}/in\n{dir}/out\ny\n16\n\n6\n",
       {},
       {{"out.txt", "old text"}},
       {"in", "out.txt"},
       "Write error on file : ",
       [] {
         std::string root = std::filesystem::temp_directory_path() / "varnelo-full-XXXXXX";
         if (!mkdtemp(root.data())) return std::string();
         if (mount("tmpfs", root.c_str(), "tmpfs", 0, "size=8m") != 0) {
           rmdir(root.c_str());
           return std::string();
         }
         return root;
       }},
      {"a second name for the first piece through a linked folder",
       [](const std::string& dir) {
         put(dir, "in", testing::pattern_bytes(6000));
         std::filesystem::create_directory(dir + "/real");
         std::filesystem::create_directory_symlink("real", dir + "/alias");
         put(dir, "real/q", "old piece");
       },
       enter_menu + "1\n2\n{dir}/in\n2\n1\n{dir}/real/p\n{dir}/alias/p\nn\n{dir}/real/q\ny\n\n6\n",
       {},
       {},
       {"alias", "in", "real"},
       "File \"{dir}/alias/p\" already exist\nOverwrite file (Y/N)? ",
       nullptr,
       {{"real/p", testing::pattern_bytes(6000).substr(0, 3000)},
        {"real/q", testing::pattern_bytes(6000).substr(3000)}}},
      {"standard output closed",
       [](const std::string& dir) { put(dir, "in", "abc"); },
       enter_menu + "0\n1\n1\n1\n{dir}/in\n \n{dir}/out\n\n6\n",
       {.closed = {1}},
       {},
       {"in", "out"},
       "",
       nullptr,
       // The data alone: no screen text went into the file.
       {{"out", "ABC"}}},
      {"standard input closed", nullptr, "", {.closed = {0}}, {{"old", "old bytes"}}, {"old"}},
      {"a name holding escape sequences, shown in a terminal",
       nullptr,
       enter_menu + "4\n5\n{dir}/evil\x1b]0;pwned\x07name\n\n6\n",
       {.terminal = true},
       {{"old", "old bytes"}},
       {"old"},
       "{dir}/evil?]0;pwned?name"},
      {"a command naming a file with escape sequences, in a terminal",
       nullptr,
       "",
       {.terminal = true, .arguments = {"sum", "{dir}/evil\x1b]0;pwned\x07name"}, .exit_code = 2},
       {{"old", "old bytes"}},
       {"old"},
       "cannot open '{dir}/evil?]0;pwned?name'"},
      {"pieces adding up past the largest file",
       [](const std::string& dir) {
         for (const char* piece : {"w.001", "w.002", "w.003"})
           sparse(dir, piece, gib * gib * 4);
       },
       enter_menu + "2\n1\n{dir}/w.001\ny\n\n6\n",
       {},
       {{"w", "old whole"}},
       {"w", "w.001", "w.002", "w.003"},
       "Total filesize is too large!",
       [] { return std::string(std::filesystem::exists("/dev/shm") ? "/dev/shm" : ""); }},
      {"a piece that is there but cannot be read",
       [](const std::string& dir) {
         put(dir, "w.001", "one");
         std::filesystem::create_directory(dir + "/w.002");
         put(dir, "w.003", "three");
       },
       enter_menu + "2\n1\n{dir}/w.001\ny\n\n6\n",
       {},
       {{"w", "old whole"}},
       {"w", "w.001", "w.002", "w.003"},
       "Could not open file : \"{dir}/w.002\""},
      {"an output that is a link, with its own permission bits",
       [](const std::string& dir) {
         put(dir, "in", "abc");
         put(dir, "real", "old bytes");
         std::filesystem::permissions(dir + "/real", std::filesystem::perms(0640));
         std::filesystem::create_symlink("real", dir + "/link");
       },
       enter_menu + "0\n1\n1\n1\n{dir}/in\n \n{dir}/link\ny\n\n6\n",
       {},
       {},
       {"in", "link", "real"},
       "",
       nullptr,
       {{"real", "ABC"}},
       [](const std::string& dir) {
         // The link stays a link, and the file it names keeps its permission bits.
         EXPECT_TRUE(std::filesystem::is_symlink(dir + "/link"));
         EXPECT_EQ(std::filesystem::status(dir + "/real").permissions(), std::filesystem::perms(0640));
       }},
      {"the program's own input as the output",
       [](const std::string& dir) { put(dir, "in", "abc"); },
       enter_menu + "0\n1\n1\n1\n{dir}/in\nkey\n/dev/stdin\n\n6\n",
       {},
       {{"old", "old bytes"}},
       {"in", "old"},
       "Output file is the same as an input file!"},
  };
  for (const Row& row : rows) {
    std::string root;
    if (row.place) {
      root = row.place();
      if (root.empty()) {
        std::cout << "skipped: " << row.name << " (no such folder can be had here)\n";
        continue;
      }
    }
    TempDir scratch;
    // A row on a file system of its own gets a folder there, removed with what it holds.
    const std::string dir = root.empty() ? scratch.root() : root + "/varnelo-safe-outputs";
    // A run killed halfway may have left the folder behind.
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    if (row.setup) row.setup(dir);
    for (const auto& [name, bytes] : row.old)
      testing::write_file(dir + "/" + name, bytes);
    Options options = row.options;
    for (std::string& argument : options.arguments)
      argument = expand(argument, dir);
    Live live = run_live(expand(row.input, dir), options);
    EXPECT_FALSE(live.timed_out) << row.name;
    if (row.options.signal != 0) {
      EXPECT_TRUE(WIFSIGNALED(live.status) && WTERMSIG(live.status) == row.options.signal)
          << row.name << ": status " << live.status;
    } else {
      EXPECT_TRUE(WIFEXITED(live.status) && WEXITSTATUS(live.status) == row.options.exit_code)
          << row.name << ": " << live.output;
    }
    for (const auto& [name, bytes] : row.old)
      EXPECT_EQ(testing::read_file(dir + "/" + name), bytes) << row.name << ": " << name;
    for (const auto& [name, bytes] : row.made)
      EXPECT_TRUE(testing::read_file(dir + "/" + name) == bytes) << row.name << ": " << name;
    if (row.check) row.check(dir);
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
      left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, row.left) << row.name;
    if (!row.shows.empty()) {
      EXPECT_NE(live.output.find(expand(row.shows, dir)), std::string::npos)
          << row.name << ": " << live.output;
    }
    if (!root.empty()) {
      std::filesystem::remove_all(dir);
      if (root != "/dev/shm") {
        umount(root.c_str());
        rmdir(root.c_str());
      }
    }
  }
}

}  // namespace
}  // namespace varnelo
