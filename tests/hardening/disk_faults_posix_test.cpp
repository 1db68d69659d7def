// Faults on disk through the whole program: a full disk behind a confirmed overwrite, outputs
// in a folder that refuses new files, inputs that cannot be read or measured, inputs that
// shrink while they are read (through the fault seam, and for real on disk), and pieces
// removed between the count and the copy of a join. Every case must end its screen with the
// house message, never with a completion or an elapsed time, and leave the files it did not
// confirm to overwrite as they were.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/program.hpp"
#include "support/test_support.hpp"
#include "watching_console.hpp"

namespace varnelo {
namespace {

using testing::TempDir;

const std::map<std::string, std::string>& layout() {
  static const std::map<std::string, std::string> files = {
      {"in", testing::pattern_bytes(10000, 1)},
      {"key", "k3y"},
      {"p.001", testing::pattern_bytes(5000, 2)},
      {"p.002", testing::pattern_bytes(5000, 3)},
      {"p.003", testing::pattern_bytes(5000, 4)},
      {"hex.txt", "6b 33 79 0a\n"},
      {"old", "the old bytes"},
  };
  return files;
}

std::string expand(std::string text, const TempDir& dir) {
  for (std::size_t at = text.find("{dir}"); at != std::string::npos; at = text.find("{dir}", at))
    text.replace(at, 5, dir.root());
  return text;
}

enum class Message { open_failure, output_failure, read_error, write_error };

const char* words(Message message, bool indonesian) {
  switch (message) {
    case Message::open_failure:
      return indonesian ? "Tidak dapat membuka berkas : " : "Could not open file : ";
    case Message::output_failure:
      return indonesian ? "Tidak menulis ke berkas : " : "Could write to file : ";
    case Message::read_error:
      return indonesian ? "Gagal membaca berkas : " : "Read error on file : ";
    default:
      return indonesian ? "Gagal menulis ke berkas : " : "Write error on file : ";
  }
}

struct Fault {
  std::string name;
  std::string typed;  // after the language answer, from the main menu to the exit; {dir} expands
  Message message;
  std::string named;  // the path the message names
  std::function<void(const TempDir&)> prepare = nullptr;
  std::function<void(const TempDir&)> meddle = nullptr;  // at the first progress display
  std::string short_file = {};                           // delivers 3000 bytes, then reads come short
  std::vector<std::string> changed = {};                 // layout files the case itself changes
  FaultPlan plan = {};                                   // a fault planned at the seam; {dir} expands
};

// No run leaves a temporary file behind, however it ended.
void expect_no_temporary(const TempDir& dir, const std::string& context) {
  for (const std::string& name : dir.names())
    EXPECT_EQ(name.find(".varnelo-partial-"), std::string::npos) << context << ": " << name;
}

void link_to(const TempDir& dir, const std::string& target, const std::string& name) {
  std::filesystem::create_symlink(target, dir.path(name));
}

void run_fault(const Fault& fault, bool indonesian) {
  TempDir dir;
  for (const auto& [name, bytes] : layout())
    dir.write(name, bytes);
  std::filesystem::create_directory(dir.path("folder"));
  if (fault.prepare) fault.prepare(dir);
  std::string context = fault.name + (indonesian ? " (Indonesian)" : " (English)");

  if (!fault.short_file.empty()) set_fault_plan({expand(fault.short_file, dir), 3000, -1});
  if (!fault.plan.path.empty()) {
    FaultPlan plan = fault.plan;
    plan.path = expand(plan.path, dir);
    set_fault_plan(plan);
  }
  int files_before = open_file_count();
  testing::WatchingConsole port((indonesian ? "2\n" : "1\n") + expand(fault.typed, dir),
                                fault.meddle ? std::function<void()>([&] { fault.meddle(dir); }) : nullptr);
  int exit_code;
  {
    ConsoleScope scope(port);
    exit_code = run_program();
  }
  set_fault_plan({});

  EXPECT_EQ(exit_code, 0) << context;
  EXPECT_TRUE(port.unread_input().empty()) << context << ": the screen ended before its answers were used";
  EXPECT_EQ(open_file_count(), files_before) << context << ": a file was left open";
  EXPECT_EQ(port.open_at_pause(), 0) << context << ": files still open at the press-enter pause";
  const std::string& text = port.text();
  std::string message = words(fault.message, indonesian) + ("\"" + expand(fault.named, dir) + "\"\n");
  EXPECT_NE(text.find(message), std::string::npos) << context << ": no \"" << message << "\" in\n" << text;
  for (const char* success : {"Completed!", "Selesai!", "Running time", "Waktu proses"})
    EXPECT_EQ(text.find(success), std::string::npos) << context << ": shows " << success;
  for (const auto& [name, bytes] : layout()) {
    if (std::find(fault.changed.begin(), fault.changed.end(), name) == fault.changed.end()) {
      EXPECT_EQ(dir.read(name), bytes) << context << ": " << name;
    }
  }
  expect_no_temporary(dir, context);
}

void run_all(const std::vector<Fault>& faults) {
  for (const Fault& fault : faults)
    for (bool indonesian : {false, true})
      run_fault(fault, indonesian);
}

TEST(DiskFaults, AFullDiskIsAWriteErrorOnEveryScreenThatWrites) {
  auto full_piece = [](const TempDir& dir) { link_to(dir, "/dev/full", "in.001"); };
  auto full_join = [](const TempDir& dir) { link_to(dir, "/dev/full", "p"); };
  run_all({
      {"split, equal sizes", "1\n1\n{dir}/in\n2\n1\nY\n\n6\n", Message::write_error, "{dir}/in.001",
       full_piece},
      {"split, typed names", "1\n2\n{dir}/in\n2\n1\n/dev/full\nY\n{dir}/two\n\n6\n", Message::write_error,
       "/dev/full"},
      {"split, typed names and sizes", "1\n2\n{dir}/in\n2\n2\n/dev/full\nY\n1\n100\n{dir}/two\n\n6\n",
       Message::write_error, "/dev/full"},
      {"join, automatic", "2\n1\n{dir}/p.001\nY\n\n6\n", Message::write_error, "{dir}/p", full_join},
      {"join, manual", "2\n2\n1\n{dir}/in\n/dev/full\nY\n\n6\n", Message::write_error, "/dev/full"},
      {"encrypt, text key", "0\n1\n1\n1\n{dir}/in\nk3y\n/dev/full\nY\n\n6\n", Message::write_error,
       "/dev/full"},
      {"decrypt, key file", "0\n2\n2\n2\n{dir}/in\n{dir}/key\n/dev/full\nY\n\n6\n", Message::write_error,
       "/dev/full"},
      {"encode", "0\n3\n2\n{dir}/in\n{dir}/full\nY\n16\n\n6\n", Message::write_error, "{dir}/full.txt",
       [](const TempDir& dir) { link_to(dir, "/dev/full", "full.txt"); }},
      {"decode", "0\n4\n2\n{dir}/hex.txt\n/dev/full\nY\n\n6\n", Message::write_error, "/dev/full"},
  });
}

// A close that reports a lost write, or a rename that fails, ends the run as a write error
// before the old file is touched: in the menus and in the commands (run in-process, so that the
// fault seam reaches them).
TEST(DiskFaults, AFailedCloseOrRenameIsAWriteErrorAndKeepsTheOldFile) {
  const FaultPlan close_old{"{dir}/old", -1, -1, true, false};
  const FaultPlan rename_old{"{dir}/old", -1, -1, false, true};
  const FaultPlan close_piece{"{dir}/old.002", -1, -1, true, false};
  const FaultPlan rename_piece{"{dir}/old.002", -1, -1, false, true};
  run_all({
      {"encrypt, the close fails",
       "0\n1\n1\n1\n{dir}/in\nk3y\n{dir}/old\nY\n\n6\n",
       Message::write_error,
       "{dir}/old",
       nullptr,
       nullptr,
       {},
       {},
       close_old},
      {"decode, the rename fails",
       "0\n4\n2\n{dir}/hex.txt\n{dir}/old\nY\n\n6\n",
       Message::write_error,
       "{dir}/old",
       nullptr,
       nullptr,
       {},
       {},
       rename_old},
      {"join, the close fails",
       "2\n2\n1\n{dir}/in\n{dir}/old\nY\n\n6\n",
       Message::write_error,
       "{dir}/old",
       nullptr,
       nullptr,
       {},
       {},
       close_old},
  });

  struct CommandCase {
    std::vector<std::string> arguments;
    FaultPlan plan;
    std::string named;
  };
  const std::vector<CommandCase> commands = {
      {{"encrypt", "--xor", "--key", "k3y", "{dir}/in", "{dir}/old", "-f"}, close_old, "{dir}/old"},
      {{"decode", "--hex", "{dir}/hex.txt", "{dir}/old", "-f"}, rename_old, "{dir}/old"},
      {{"join", "{dir}/p.001", "-o", "{dir}/old", "-f"}, rename_old, "{dir}/old"},
      // The pieces take their names together: none does when one of them cannot be closed.
      {{"split", "{dir}/in", "--pieces", "2", "--prefix", "{dir}/old", "-f"}, close_piece, "{dir}/old.002"},
      // Nor when one cannot take its name: the piece before it gets its old bytes back.
      {{"split", "{dir}/in", "--pieces", "2", "--prefix", "{dir}/old", "-f"}, rename_piece, "{dir}/old.002"},
  };
  for (const CommandCase& c : commands) {
    TempDir dir;
    for (const auto& [name, bytes] : layout())
      dir.write(name, bytes);
    dir.write("old.001", "old piece 1");
    dir.write("old.002", "old piece 2");
    std::vector<std::string> arguments;
    for (const std::string& argument : c.arguments)
      arguments.push_back(expand(argument, dir));
    const std::string context = c.arguments[0] + " (" + c.named + ")";
    FaultPlan plan = c.plan;
    plan.path = expand(plan.path, dir);
    set_fault_plan(plan);
    // Standard error goes to a file for the run.
    std::fflush(stderr);
    const int saved = dup(2);
    const std::string err_path = dir.path("err");
    const int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(err, 2);
    close(err);
    const int status = run_command_line(arguments);
    dup2(saved, 2);
    close(saved);
    set_fault_plan({});
    const std::string said = dir.read("err");
    std::filesystem::remove(err_path);

    EXPECT_EQ(status, 2) << context;
    EXPECT_NE(said.find("write error on '" + expand(c.named, dir) + "'"), std::string::npos)
        << context << said;
    for (const auto& [name, bytes] : layout())
      EXPECT_EQ(dir.read(name), bytes) << context << ": " << name;
    EXPECT_EQ(dir.read("old.001"), "old piece 1") << context;
    EXPECT_EQ(dir.read("old.002"), "old piece 2") << context;
    expect_no_temporary(dir, context);
  }
}

// A folder where no file can be created: one without write permission, or, where permissions
// do not stop this user (root), a folder of the kernel's own file system that takes no files.
std::string denied_folder(const TempDir& dir) {
  if (geteuid() != 0) {
    std::string folder = dir.path("read-only");
    std::filesystem::create_directory(folder);
    chmod(folder.c_str(), 0555);
    return folder;
  }
  int fd = open("/sys/varnelo-denied", O_WRONLY | O_CREAT, 0600);
  if (fd >= 0) {
    close(fd);
    unlink("/sys/varnelo-denied");
    return {};
  }
  return "/sys";
}

TEST(DiskFaults, AnOutputThatCannotBeCreatedIsReportedAndNothingIsWritten) {
  TempDir probe;
  std::string folder = denied_folder(probe);
  if (folder.empty()) GTEST_SKIP() << "no folder here refuses new files";
  std::string out = folder + "/out";
  std::vector<Fault> faults = {
      {"split, typed names", "1\n2\n{dir}/in\n2\n1\n" + out + "\n{dir}/two\n\n6\n", Message::output_failure,
       out},
      {"join, manual", "2\n2\n1\n{dir}/in\n" + out + "\n\n6\n", Message::output_failure, out},
      {"encrypt, text key", "0\n1\n1\n1\n{dir}/in\nk3y\n" + out + "\n\n6\n", Message::output_failure, out},
      {"decrypt, key file", "0\n2\n2\n2\n{dir}/in\n{dir}/key\n" + out + "\n\n6\n", Message::output_failure,
       out},
      {"encode", "0\n3\n1\n{dir}/in\n" + out + "\n\n6\n", Message::output_failure, out + ".txt"},
      {"decode", "0\n4\n1\n{dir}/hex.txt\n" + out + "\n\n6\n", Message::output_failure, out},
  };
  if (geteuid() != 0) {
    // Pieces and joined files are written beside their input, here in the read-only folder.
    auto input_inside = [](const TempDir& dir) {
      std::string inside = dir.path("locked");
      std::filesystem::create_directory(inside);
      testing::write_file(inside + "/in", "abcdef");
      testing::write_file(inside + "/p.001", "abc");
      chmod(inside.c_str(), 0555);
    };
    faults.push_back({"split, equal sizes", "1\n1\n{dir}/locked/in\n2\n1\n\n6\n", Message::output_failure,
                      "{dir}/locked/in.001", input_inside});
    faults.push_back({"join, automatic", "2\n1\n{dir}/locked/p.001\n\n6\n", Message::output_failure,
                      "{dir}/locked/p", input_inside});
  }
  run_all(faults);
  EXPECT_FALSE(std::filesystem::exists(out));
  EXPECT_FALSE(std::filesystem::exists(out + ".txt"));
}

TEST(DiskFaults, InputsThatCannotBeOpenedAreRefused) {
  auto unreadable = [](const TempDir& dir) {
    std::string path = dir.write("secret", "abc");
    chmod(path.c_str(), 0);
  };
  std::vector<Fault> faults = {
      {"split", "1\n1\n{dir}/folder\n\n6\n", Message::open_failure, "{dir}/folder"},
      {"join, automatic", "2\n1\n{dir}/folder.001\n\n6\n", Message::open_failure, "{dir}/folder.001",
       [](const TempDir& dir) { std::filesystem::create_directory(dir.path("folder.001")); }},
      {"join, manual", "2\n2\n2\n{dir}/in\n{dir}/folder\n\n6\n", Message::open_failure, "{dir}/folder"},
      {"compare, first", "3\n1\n{dir}/folder\n\n6\n", Message::open_failure, "{dir}/folder"},
      {"compare, second", "3\n2\n{dir}/in\n{dir}/folder\n\n6\n", Message::open_failure, "{dir}/folder"},
      {"checksum", "4\n4\n{dir}/folder\n\n6\n", Message::open_failure, "{dir}/folder"},
      {"encrypt, input", "0\n1\n1\n1\n{dir}/folder\n\n6\n", Message::open_failure, "{dir}/folder"},
      {"encrypt, key file", "0\n1\n2\n1\n{dir}/in\n{dir}/folder\n\n6\n", Message::open_failure,
       "{dir}/folder"},
      {"encode", "0\n3\n1\n{dir}/folder\n\n6\n", Message::open_failure, "{dir}/folder"},
      {"decode", "0\n4\n1\n{dir}/folder\n\n6\n", Message::open_failure, "{dir}/folder"},
  };
  // Permissions do not stop root from reading.
  if (geteuid() != 0) {
    faults.push_back({"checksum, no permission", "4\n5\n{dir}/secret\n\n6\n", Message::open_failure,
                      "{dir}/secret", unreadable});
    faults.push_back({"decrypt, key without permission", "0\n2\n2\n1\n{dir}/in\n{dir}/secret\n\n6\n",
                      Message::open_failure, "{dir}/secret", unreadable});
  }
  run_all(faults);
}

// Files whose size cannot be told by seeking to their end: a device that never ends, a file of
// the kernel's that is made as it is read.
TEST(DiskFaults, InputsWhoseSizeCannotBeMeasuredAreReadErrors) {
  for (std::string device : {"/dev/zero", "/proc/self/status"}) {
    run_all({
        {"split " + device, "1\n1\n" + device + "\n\n6\n", Message::read_error, device},
        {"join, automatic " + device, "2\n1\n{dir}/z.001\n\n6\n", Message::read_error, "{dir}/z.001",
         [device](const TempDir& dir) { link_to(dir, device, "z.001"); }},
        {"join, manual " + device, "2\n2\n1\n" + device + "\n\n6\n", Message::read_error, device},
        {"compare " + device, "3\n1\n{dir}/in\n" + device + "\n\n6\n", Message::read_error, device},
        {"containment " + device, "3\n2\n" + device + "\n{dir}/in\n\n6\n", Message::read_error, device},
        {"checksum, SHA-256 " + device, "4\n1\n" + device + "\n3\n\n6\n", Message::read_error, device},
        {"checksum, Checksum64 " + device, "4\n5\n" + device + "\n\n6\n", Message::read_error, device},
        {"encrypt " + device, "0\n1\n1\n1\n" + device + "\n\n6\n", Message::read_error, device},
        {"decrypt, key file " + device, "0\n2\n2\n1\n{dir}/in\n" + device + "\n\n6\n", Message::read_error,
         device},
        {"encode " + device, "0\n3\n1\n" + device + "\n{dir}/z\n8\n\n6\n", Message::read_error, device},
        {"decode " + device, "0\n4\n1\n" + device + "\n{dir}/z\n\n6\n", Message::read_error, device},
    });
  }
}

TEST(DiskFaults, AnInputThatShrinksWhileReadIsAReadError) {
  auto cut_in = [](const TempDir& dir) { std::filesystem::resize_file(dir.path("in"), 3000); };
  auto cut_key = [](const TempDir& dir) { std::filesystem::resize_file(dir.path("long-key"), 100); };
  auto long_key = [](const TempDir& dir) { dir.write("long-key", testing::pattern_bytes(300000, 9)); };
  // The ciphers and conversions read up to 2 MiB ahead of the display, so their input must
  // outlast what is read before the cut.
  auto big = [](const TempDir& dir) { dir.write("big", testing::pattern_bytes(4200000, 8)); };
  auto cut_big = [](const TempDir& dir) { std::filesystem::resize_file(dir.path("big"), 3000); };
  std::vector<std::string> cut{"in"};
  run_all({
      // Through the fault seam: the file handle delivers 3000 bytes, then reads come short.
      {"split", "1\n1\n{dir}/in\n2\n1\n\n6\n", Message::read_error, "{dir}/in", nullptr, nullptr, "{dir}/in"},
      {"join, automatic", "2\n1\n{dir}/p.001\n\n6\n", Message::read_error, "{dir}/p.002", nullptr, nullptr,
       "{dir}/p.002"},
      {"join, manual", "2\n2\n2\n{dir}/in\n{dir}/p.001\n{dir}/j\n\n6\n", Message::read_error, "{dir}/in",
       nullptr, nullptr, "{dir}/in"},
      {"compare", "3\n1\n{dir}/in\n{dir}/in\n\n6\n", Message::read_error, "{dir}/in", nullptr, nullptr,
       "{dir}/in"},
      {"containment", "3\n2\n{dir}/p.003\n{dir}/in\n\n6\n", Message::read_error, "{dir}/in", nullptr, nullptr,
       "{dir}/in"},
      {"checksum, SHA-1", "4\n2\n{dir}/in\n\n6\n", Message::read_error, "{dir}/in", nullptr, nullptr,
       "{dir}/in"},
      {"checksum, MD5", "4\n4\n{dir}/in\n\n6\n", Message::read_error, "{dir}/in", nullptr, nullptr,
       "{dir}/in"},
      {"checksum, Checksum64", "4\n5\n{dir}/in\n\n6\n", Message::read_error, "{dir}/in", nullptr, nullptr,
       "{dir}/in"},
      {"encrypt", "0\n1\n1\n1\n{dir}/in\nk3y\n{dir}/out\n\n6\n", Message::read_error, "{dir}/in", nullptr,
       nullptr, "{dir}/in"},
      {"decrypt, key file", "0\n2\n2\n1\n{dir}/in\n{dir}/long-key\n{dir}/out\n\n6\n", Message::read_error,
       "{dir}/long-key", long_key, nullptr, "{dir}/long-key"},
      {"encode", "0\n3\n3\n{dir}/in\n{dir}/out\n77\n\n6\n", Message::read_error, "{dir}/in", nullptr, nullptr,
       "{dir}/in"},
      {"decode", "0\n4\n2\n{dir}/in\n{dir}/out\n\n6\n", Message::read_error, "{dir}/in", nullptr, nullptr,
       "{dir}/in"},

      // For real: the file is cut on disk once the questions are answered.
      {"split, cut on disk",
       "1\n1\n{dir}/in\n2\n1\n\n6\n",
       Message::read_error,
       "{dir}/in",
       nullptr,
       cut_in,
       {},
       cut},
      {"join, manual, cut on disk",
       "2\n2\n2\n{dir}/in\n{dir}/p.001\n{dir}/j\n\n6\n",
       Message::read_error,
       "{dir}/in",
       nullptr,
       cut_in,
       {},
       cut},
      {"compare, cut on disk",
       "3\n1\n{dir}/in\n{dir}/in\n\n6\n",
       Message::read_error,
       "{dir}/in",
       nullptr,
       cut_in,
       {},
       cut},
      {"checksum, cut on disk",
       "4\n1\n{dir}/in\n1\n\n6\n",
       Message::read_error,
       "{dir}/in",
       nullptr,
       cut_in,
       {},
       cut},
      {"encrypt, cut on disk", "0\n1\n1\n2\n{dir}/big\nk3y\n{dir}/out\n\n6\n", Message::read_error,
       "{dir}/big", big, cut_big},
      {"encode, cut on disk", "0\n3\n1\n{dir}/big\n{dir}/out\n8\n\n6\n", Message::read_error, "{dir}/big",
       big, cut_big},
      {"decode, cut on disk", "0\n4\n1\n{dir}/big\n{dir}/out\n\n6\n", Message::read_error, "{dir}/big", big,
       cut_big},
      {"decrypt, key cut on disk", "0\n2\n2\n1\n{dir}/in\n{dir}/long-key\n{dir}/out\n\n6\n",
       Message::read_error, "{dir}/long-key", long_key, cut_key},
  });
}

TEST(DiskFaults, APieceRemovedBetweenCountAndCopyStopsTheJoin) {
  auto remove_second = [](const TempDir& dir) { std::filesystem::remove(dir.path("p.002")); };
  auto folder_instead = [](const TempDir& dir) {
    std::filesystem::remove(dir.path("p.002"));
    std::filesystem::create_directory(dir.path("p.002"));
  };
  std::vector<std::string> second{"p.002"};
  run_all({
      {"automatic",
       "2\n1\n{dir}/p.001\n\n6\n",
       Message::open_failure,
       "{dir}/p.002",
       nullptr,
       remove_second,
       {},
       second},
      {"manual",
       "2\n2\n3\n{dir}/p.001\n{dir}/p.002\n{dir}/p.003\n{dir}/j\n\n6\n",
       Message::open_failure,
       "{dir}/p.002",
       nullptr,
       remove_second,
       {},
       second},
      {"automatic, a folder in its place",
       "2\n1\n{dir}/p.001\n\n6\n",
       Message::open_failure,
       "{dir}/p.002",
       nullptr,
       folder_instead,
       {},
       second},
  });
}

// A piece may also grow after it was counted; it is joined as it is then, and the display,
// whose total came from the count, must not pass for the end of the join.
TEST(DiskFaults, APieceThatGrowsBeforeItsCopyIsJoinedWhole) {
  for (bool indonesian : {false, true}) {
    TempDir dir;
    for (const auto& [name, bytes] : layout())
      dir.write(name, bytes);
    std::string grown = layout().at("p.003") + testing::pattern_bytes(600000, 7);
    testing::WatchingConsole port((indonesian ? "2\n2\n1\n" : "1\n2\n1\n") + dir.path("p.001") + "\n\n6\n",
                                  [&] { testing::write_file(dir.path("p.003"), grown); });
    port.clock_step_ = 1500;  // every redraw falls due
    {
      ConsoleScope scope(port);
      EXPECT_EQ(run_program(), 0);
    }
    EXPECT_EQ(dir.read("p"), layout().at("p.001") + layout().at("p.002") + grown);
    EXPECT_NE(port.text().find(indonesian ? "Waktu proses" : "Running time"), std::string::npos);
    EXPECT_EQ(port.text().find(indonesian ? "Selesai!" : "Completed!"), std::string::npos) << port.text();
    EXPECT_EQ(port.text().find("(100%)"), std::string::npos) << port.text();
  }
}

// Outputs get their space reserved ahead of the bytes (a hint to the file system); when the
// run fails halfway, what was reserved must be given back with the rest of the output, or the
// disk stays full of space that no listing shows.
TEST(DiskFaults, AFailedRunLeavesNoOutputAndNoSpaceReserved) {
  struct Case {
    std::string name;
    std::string typed;
  };
  const std::vector<Case> cases = {
      {"encode", "1\n0\n3\n2\n{dir}/big\n{dir}/out\n16\n\n6\n"},
      {"split", "1\n1\n1\n{dir}/big\n1\n1\n\n6\n"},
      {"join", "1\n2\n2\n1\n{dir}/big\n{dir}/out\n\n6\n"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    // Sparse, so that a long input costs no disk; copies reserve only for long stretches.
    std::filesystem::resize_file(dir.write("big", "start"), std::int64_t{300} << 20);
    testing::WatchingConsole port(expand(c.typed, dir),
                                  [&] { std::filesystem::resize_file(dir.path("big"), 3u << 20); });
    {
      ConsoleScope scope(port);
      EXPECT_EQ(run_program(), 0) << c.name;
    }
    EXPECT_NE(port.text().find("Read error on file : \"" + dir.path("big") + "\""), std::string::npos)
        << c.name;
    EXPECT_EQ(dir.names(), std::vector<std::string>{"big"}) << c.name;
  }
}

// A named pipe that nobody reads from would take the output only once a reader came, so the
// program would wait for ever; it is refused like any output that cannot be opened.
TEST(DiskFaults, ANamedPipeWithoutAReaderIsRefusedAsAnOutput) {
  struct Case {
    std::string name;
    std::string typed;
    std::string pipe;
  };
  const std::vector<Case> cases = {
      {"split", "1\n2\nin\n1\n1\npipe\nY\n\n6\n", "pipe"},
      {"join", "2\n2\n1\nin\npipe\nY\n\n6\n", "pipe"},
      {"encrypt", "0\n1\n1\n1\nin\nk\npipe\nY\n\n6\n", "pipe"},
      {"encode", "0\n3\n2\nin\npipe\nY\n\n6\n", "pipe.txt"},
      {"decode", "0\n4\n2\nhex.txt\npipe\nY\n\n6\n", "pipe"},
  };
  for (const Case& c : cases) {
    for (bool indonesian : {false, true}) {
      TempDir dir;
      for (const auto& [name, bytes] : layout())
        dir.write(name, bytes);
      ASSERT_EQ(mkfifo(dir.path(c.pipe).c_str(), 0600), 0);
      auto result = testing::run_binary((indonesian ? "2\n" : "1\n") + c.typed, dir.root(), 10);
      std::string context = c.name + (indonesian ? " (Indonesian)" : " (English)");
      ASSERT_FALSE(result.timed_out) << context << ": waited for a reader";
      EXPECT_EQ(result.exit_code, 0) << context;
      EXPECT_NE(result.output.find(words(Message::output_failure, indonesian) + ("\"" + c.pipe + "\"\n")),
                std::string::npos)
          << context;
    }
  }
}

}  // namespace
}  // namespace varnelo
