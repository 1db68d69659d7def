// Runs that are interrupted, fail or are refused leave the user's files as they were: the real
// program is run for every row, and afterwards the old bytes must be there and no temporary file
// left beside them.

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
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
  std::string trigger = {};                 // once the program has shown this text...
  int signal = 0;                           // ...it gets this signal
  bool terminal = false;                    // standard streams on a pseudo-terminal instead of pipes
  std::vector<int> closed = {};             // standard descriptors the program starts without
  std::vector<std::string> arguments = {};  // a command instead of the menus; {dir} expands
  int exit_code = 0;
  int after_ms = 0;            // without a trigger, the signal comes this long after the start
  uid_t user = 0;              // the program runs as this user (and group), where root can say so
  bool output_closed = false;  // nobody reads what the program writes
  rlim_t files = 0;            // the most files the program may hold open, where not 0
  std::function<void()> at_trigger = nullptr;  // done when the trigger comes, before the signal
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
    if (options.user != 0 &&
        (setgroups(0, nullptr) != 0 || setgid(options.user) != 0 || setuid(options.user) != 0))
      _exit(126);
    closefrom(3);
    // A program that went wrong writes no more than this, however large its input: the rows
    // hand it files of exbibytes, sparse, on a file system held in memory.
    rlimit most = {rlim_t{256} << 20, rlim_t{256} << 20};
    setrlimit(RLIMIT_FSIZE, &most);
    if (options.files != 0) {
      rlimit open_files = {options.files, options.files};
      setrlimit(RLIMIT_NOFILE, &open_files);
    }
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
  if (options.output_closed) close(std::exchange(reading, -1));
  bool signalled = false;
  const auto start = std::chrono::steady_clock::now();
  auto deadline = start + std::chrono::seconds(60);
  for (;;) {
    pollfd watch{reading, POLLIN, 0};
    if (reading < 0) {
      if (waitpid(pid, &live.status, WNOHANG) == pid) {
        pid = 0;
        break;
      }
      poll(nullptr, 0, 1);
    } else if (poll(&watch, 1, options.after_ms > 0 ? 1 : 100) > 0) {
      char chunk[4096];
      ssize_t got = read(reading, chunk, sizeof chunk);
      if (got <= 0) break;
      live.output.append(chunk, static_cast<std::size_t>(got));
    } else if (waitpid(pid, &live.status, WNOHANG) == pid) {
      pid = 0;
      break;
    }
    const bool due = options.trigger.empty()
                         ? options.after_ms > 0 && std::chrono::steady_clock::now() - start >=
                                                       std::chrono::milliseconds(options.after_ms)
                         : live.output.find(options.trigger) != std::string::npos;
    if (!signalled && due && (options.signal != 0 || options.at_trigger)) {
      if (options.at_trigger) options.at_trigger();
      if (options.signal != 0) kill(pid, options.signal);
      signalled = true;
    }
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      live.timed_out = true;
    }
  }
  if (pid != 0) waitpid(pid, &live.status, 0);
  if (reading >= 0) close(reading);
  if (!options.terminal && options.signal != 0) close(typing);
  return live;
}

// A folder so deep below `dir` that a name of 40 characters in it makes a path of 4080: the path
// of a temporary file beside it would pass the system's limit, though its name fits.
std::string deep_folder(const std::string& dir) {
  std::string folder = dir;
  while (folder.size() + 201 < 4080 - 41)
    folder += "/" + std::string(200, 'd');
  return folder + "/" + std::string(4080 - 41 - folder.size() - 1, 'e');
}

std::string expand(std::string text, const std::string& dir) {
  for (std::size_t at; (at = text.find("{deep}")) != std::string::npos;)
    text.replace(at, 6, deep_folder(dir));
  for (std::size_t at; (at = text.find("{dir}")) != std::string::npos;)
    text.replace(at, 5, dir);
  return text;
}

// A folder on a file system of its own, held in memory, with these mount options.
std::function<std::string()> tmpfs(std::string options) {
  return [options] {
    std::string root = std::filesystem::temp_directory_path() / "varnelo-tmpfs-XXXXXX";
    if (!mkdtemp(root.data())) return std::string();
    if (mount("tmpfs", root.c_str(), "tmpfs", 0, options.c_str()) != 0) {
      rmdir(root.c_str());
      return std::string();
    }
    return root;
  };
}

// A folder for a row that only root can set up: files of other users.
std::string as_root() {
  std::string root = std::filesystem::temp_directory_path() / "varnelo-root-XXXXXX";
  if (geteuid() != 0 || !mkdtemp(root.data())) return {};
  return root;
}

void expect_owner(const std::string& path, uid_t user, gid_t group, mode_t mode) {
  struct stat info {};
  ASSERT_EQ(stat(path.c_str(), &info), 0) << path;
  EXPECT_EQ(info.st_uid, user) << path;
  EXPECT_EQ(info.st_gid, group) << path;
  EXPECT_EQ(info.st_mode & 07777, mode) << path;
}

// An access control list that lets user 65534 read: the entries of a 0640 file and that one.
std::string reader_acl() {
  std::string acl("\x02\0\0\0", 4);
  // Little-endian fields: a tag and permissions of 16 bits, an id of 32.
  auto bytes = [&](std::uint32_t value, int count) {
    for (int k = 0; k < count; ++k)
      acl += static_cast<char>((value >> (8 * k)) & 0xff);
  };
  auto entry = [&](std::uint32_t tag, std::uint32_t permissions, std::uint32_t id) {
    bytes(tag, 2);
    bytes(permissions, 2);
    bytes(id, 4);
  };
  entry(0x01, 6, ~0u);    // the owner
  entry(0x02, 4, 65534);  // one user more
  entry(0x04, 4, ~0u);    // the group
  entry(0x10, 4, ~0u);    // the mask
  entry(0x20, 0, ~0u);    // the others
  return acl;
}

// The names of the 999 pieces of a split of `path`.
std::vector<std::string> piece_names_of(const std::string& path) {
  std::vector<std::string> names;
  for (int k = 1; k <= 999; ++k) {
    char suffix[8];
    std::snprintf(suffix, sizeof suffix, ".%03d", k);
    names.push_back(path + suffix);
  }
  return names;
}

std::string attribute(const std::string& path, const char* name) {
  char value[256];
  const ssize_t size = getxattr(path.c_str(), name, value, sizeof value);
  return size < 0 ? std::string() : std::string(value, static_cast<std::size_t>(size));
}

// The names in a folder, sorted.
std::vector<std::string> names_in(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Arguments that write the xor of {dir}/in over {dir}/`name`.
std::vector<std::string> xor_onto(const std::string& name) {
  return {"encrypt", "--xor", "--key", "k", "{dir}/in", "{dir}/" + name, "-f"};
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
  std::function<void(const std::string& dir)> setup = nullptr;
  std::string input = {};
  Options options = {};
  std::map<std::string, std::string> old = {};  // files there before, which must keep their bytes
  std::vector<std::string> left = {};           // everything in the folder afterwards
  std::string shows = {};
  // Root of a folder the row needs instead of a fresh one in the temporary folder; a row whose
  // folder cannot be had is skipped.
  std::function<std::string()> place = nullptr;
  std::map<std::string, std::string> made = {};  // files the run made, with their bytes
  std::function<void(const std::string& dir)> check = nullptr;
  std::function<void(const std::string& dir)> meddle = nullptr;  // at the trigger
};

constexpr std::uintmax_t gib = std::uintmax_t{1} << 30;

TEST(SafeOutputs, OldFilesSurviveAndNoTemporaryFileIsLeft) {
  const std::string enter_menu = "1\n";
  std::vector<std::string> split_left = piece_names_of("in");
  split_left.insert(split_left.begin(), "in");
  std::vector<Row> rows = {
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
       tmpfs("size=8m")},
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
      {.name = "an interrupt where the temporary file's path would pass the system's limit",
       .setup =
           [](const std::string& dir) {
             std::filesystem::create_directories(deep_folder(dir));
             put(deep_folder(dir), std::string(40, 'o'), "old bytes");
           },
       // Standard input stays open: the run waits for more until the signal comes.
       .input = "some bytes",
       .options = {.signal = SIGINT,
                   .arguments = {"encrypt", "--xor", "--key", "k", "-", "{deep}/" + std::string(40, 'o'),
                                 "-f"},
                   .after_ms = 300},
       .left = {std::string(200, 'd')},
       .check =
           [](const std::string& dir) {
             EXPECT_EQ(names_in(deep_folder(dir)), std::vector<std::string>{std::string(40, 'o')});
             EXPECT_EQ(testing::read_file(deep_folder(dir) + "/" + std::string(40, 'o')), "old bytes");
           }},
      {.name = "a new file of secrets, never readable by others while written",
       .setup =
           [](const std::string& dir) {
             sparse(dir, "big", 64 << 20);
             chmod(put(dir, "secret", "old").c_str(), 0600);
           },
       .input = enter_menu + "0\n1\n1\n1\n{dir}/big\nkey\n{dir}/secret\ny\n\n6\n",
       .options = {"Progress"},
       .left = {"big", "secret"},
       .shows = "Running time",
       .check = [](const std::string& dir) { expect_owner(dir + "/secret", geteuid(), getegid(), 0600); },
       .meddle =
           [](const std::string& dir) {
             for (const std::string& name : names_in(dir)) {
               if (name.find(".varnelo-partial-") == std::string::npos) continue;
               const auto bits = std::filesystem::status(dir + "/" + name).permissions();
               EXPECT_EQ(static_cast<unsigned>(bits) & 077u, 0u) << name;
             }
           }},
      {.name = "the output's folder moved during the run",
       .setup =
           [](const std::string& dir) {
             sparse(dir, "big", 64 << 20);
             std::filesystem::create_directory(dir + "/sub");
             put(dir, "sub/out", "old output");
           },
       .input = enter_menu + "0\n1\n1\n1\n{dir}/big\nkey\n{dir}/sub/out\ny\n\n6\n",
       .options = {"Progress"},
       .left = {"big", "moved"},
       .shows = "Running time",
       .check =
           [](const std::string& dir) {
             // The output took its name in the folder it was made in, wherever that went.
             EXPECT_EQ(std::filesystem::file_size(dir + "/moved/out"), 64u << 20);
             EXPECT_EQ(names_in(dir + "/moved"), std::vector<std::string>{"out"});
           },
       .meddle = [](const std::string& dir) { std::filesystem::rename(dir + "/sub", dir + "/moved"); }},
      {.name = "a disk with no inode left",
       .setup =
           [](const std::string& dir) {
             put(dir, "in", "abc");
             put(dir, "precious", "old bytes");
             for (int k = 0; k < 1000; ++k) {
               const int fd =
                   open((dir + "/../filler" + std::to_string(k)).c_str(), O_CREAT | O_WRONLY, 0600);
               if (fd < 0) break;
               close(fd);
             }
           },
       .options = {.arguments = xor_onto("precious"), .exit_code = 2},
       .old = {{"precious", "old bytes"}},
       .left = {"in", "precious"},
       .shows = "cannot write '{dir}/precious': No space left on device",
       .place = tmpfs("size=8m,nr_inodes=64")},
      {.name = "a set-user-ID file of another user, replaced by root",
       .setup =
           [](const std::string& dir) {
             put(dir, "prog.hex", "41\n");
             chown(put(dir, "prog", "old").c_str(), 65534, 65534);
             chmod((dir + "/prog").c_str(), 04755);
           },
       .options = {.arguments = {"decode", "--hex", "{dir}/prog.hex", "{dir}/prog", "-f"}},
       .left = {"prog", "prog.hex"},
       .place = as_root,
       .made = {{"prog", "A"}},
       .check = [](const std::string& dir) { expect_owner(dir + "/prog", 65534, 65534, 04755); }},
      {.name = "a 0640 root:staff file keeps its group",
       .setup =
           [](const std::string& dir) {
             put(dir, "in", "abc");
             chown(put(dir, "shared", "old").c_str(), 0, 50);
             chmod((dir + "/shared").c_str(), 0640);
           },
       .options = {.arguments = xor_onto("shared")},
       .left = {"in", "shared"},
       .place = as_root,
       .made = {{"shared", "\x0a\x09\x08"}},
       .check = [](const std::string& dir) { expect_owner(dir + "/shared", 0, 50, 0640); }},
      {.name = "extended attributes and an access control list are kept",
       .setup =
           [](const std::string& dir) {
             put(dir, "in", "abc");
             const std::string acl = reader_acl(), path = put(dir, "listed", "old");
             chmod(path.c_str(), 0640);
             EXPECT_EQ(setxattr(path.c_str(), "user.varnelo", "kept", 4, 0), 0);
             EXPECT_EQ(setxattr(path.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0), 0);
           },
       .options = {.arguments = xor_onto("listed")},
       .left = {"in", "listed"},
       .made = {{"listed", "\x0a\x09\x08"}},
       .check =
           [](const std::string& dir) {
             EXPECT_EQ(attribute(dir + "/listed", "user.varnelo"), "kept");
             EXPECT_EQ(attribute(dir + "/listed", "system.posix_acl_access"), reader_acl());
           }},
      {.name = "a file with a second link keeps it",
       .setup =
           [](const std::string& dir) {
             put(dir, "in", "abc");
             std::filesystem::create_hard_link(put(dir, "a", "old"), dir + "/b");
           },
       .options = {.arguments = xor_onto("a")},
       .left = {"a", "b", "in"},
       .made = {{"a", "\x0a\x09\x08"}, {"b", "\x0a\x09\x08"}},
       .check = [](const std::string& dir) { EXPECT_EQ(std::filesystem::hard_link_count(dir + "/a"), 2u); }},
      {.name = "another user's file in a sticky folder, written by one who may",
       .setup =
           [](const std::string& dir) {
             chmod((dir + "/..").c_str(), 0755);
             chmod(dir.c_str(), 01777);
             put(dir, "in", "abc");
             chmod(put(dir, "theirs", "old").c_str(), 0666);
           },
       .options = {.arguments = xor_onto("theirs"), .user = 65534},
       .left = {"in", "theirs"},
       .place = as_root,
       .made = {{"theirs", "\x0a\x09\x08"}},
       .check = [](const std::string& dir) { expect_owner(dir + "/theirs", 0, 0, 0666); }},
      {.name = "a split of 999 pieces interrupted at any moment",
       .setup =
           [](const std::string& dir) {
             put(dir, "in", testing::pattern_bytes(999 * 4096));
             for (const std::string& name : piece_names_of(dir + "/in"))
               testing::write_file(name, "old");
           },
       .options = {.signal = SIGINT,
                   .arguments = {"split", "{dir}/in", "--pieces", "999", "-f"},
                   .after_ms = 40},
       .left = split_left,
       .check =
           [](const std::string& dir) {
             // All old, or all new: never some of each.
             std::size_t old = 0;
             for (const std::string& name : piece_names_of(dir + "/in"))
               old += testing::read_file(name) == "old";
             EXPECT_TRUE(old == 0 || old == 999) << old << " old pieces";
           }},
      // Nor does a split hold a descriptor for each piece until the end.
      {.name = "a split of 999 pieces by a process that may hold 64 files",
       .setup = [](const std::string& dir) { put(dir, "in", testing::pattern_bytes(999 * 4096)); },
       .options = {.arguments = {"split", "{dir}/in", "--pieces", "999"}, .files = 64},
       .left = split_left,
       .check =
           [](const std::string& dir) {
             std::string joined;
             for (const std::string& name : piece_names_of(dir + "/in"))
               joined += testing::read_file(name);
             EXPECT_TRUE(joined == testing::pattern_bytes(999 * 4096));
           }},
      // "-" for a stream that was closed at the start names nothing: no empty input, no output lost.
      {.name = "standard input closed at the start, read as -",
       .options = {.closed = {0}, .arguments = {"encode", "--hex", "-", "{dir}/out", "-f"}, .exit_code = 2},
       .old = {{"out", "abc"}},
       .left = {"out"},
       .shows = "- names standard input, which was closed"},
      {.name = "standard output closed at the start, written as -",
       .setup = [](const std::string& dir) { put(dir, "in", "abc"); },
       .options = {.closed = {1}, .arguments = {"encode", "--hex", "{dir}/in", "-"}, .exit_code = 2},
       .left = {"in"},
       .shows = "- names standard output, which was closed"},
      {.name = "standard output a pipe nobody reads",
       .setup =
           [](const std::string& dir) {
             std::string text;
             for (int k = 0; k < 1 << 20; ++k)
               text += "41 ";
             put(dir, "big.hex", text);
           },
       .options = {.arguments = {"decode", "--hex", "{dir}/big.hex", "-"},
                   .exit_code = 141,
                   .output_closed = true},
       .left = {"big.hex"}},
  };
  // The first runs again under the other signals that end a program.
  for (const auto& [base, signal] : {std::pair{0, SIGKILL}, std::pair{0, SIGQUIT}, std::pair{2, SIGUSR1}}) {
    Row row = rows[base];
    row.name += ", under signal " + std::to_string(signal);
    row.options.signal = signal;
    rows.push_back(row);
  }
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
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
    if (row.meddle) options.at_trigger = [&] { row.meddle(dir); };
    Live live = run_live(expand(row.input, dir), options);
    EXPECT_FALSE(live.timed_out) << row.name;
    // A signal sent after a while may find the run already over.
    const bool ended = WIFEXITED(live.status) && WEXITSTATUS(live.status) == row.options.exit_code;
    if (row.options.signal != 0 && !(row.options.after_ms > 0 && ended)) {
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
    EXPECT_EQ(names_in(dir), row.left) << row.name;
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
