#include "io/output_door.hpp"

#include <filesystem>
#include <string>
#include <vector>

#include "support/test_support.hpp"

namespace varnelo {
namespace {

using testing::TempDir;

// One row per reason the door has to refuse a name, and the names it lets through.
TEST(OutputDoor, EachRefusalComesBackAsAValue) {
  // What becomes of an existing file: refused, replaced, or asked about and answered no or yes.
  enum Policy { refuse, replace, ask_no, ask_yes };
  struct Case {
    std::string name;
    Policy policy;
    std::vector<std::string> earlier;  // names of the set admitted first
    std::string path;                  // "{dir}" stands for the test's folder
    Refusal::Kind refused;
    bool asked = false;
    bool reason = false;  // the refusal carries the system's words
  };
  const std::vector<Case> cases = {
      {"the input itself", replace, {}, "{dir}/in", Refusal::input},
      {"the input by another name", replace, {}, "{dir}/in-too", Refusal::input},
      {"a new name", refuse, {}, "{dir}/new", Refusal::none},
      {"an existing file, refused", refuse, {}, "{dir}/old", Refusal::exists},
      {"an existing file, replaced", replace, {}, "{dir}/old", Refusal::none},
      {"an existing file, kept", ask_no, {}, "{dir}/old", Refusal::declined, true},
      {"an existing file, confirmed", ask_yes, {}, "{dir}/old", Refusal::none, true},
      {"a name given twice", replace, {"{dir}/new"}, "{dir}/./new", Refusal::twice},
      {"a file reached twice", replace, {"{dir}/old"}, "{dir}/old-too", Refusal::twice},
      {"a name given twice, asked", ask_yes, {"{dir}/new"}, "{dir}/./new", Refusal::none, true},
      {"a folder that is not there", refuse, {}, "{dir}/missing/x", Refusal::unwritable, false, true},
#ifdef _WIN32
      {"a name too long", refuse, {}, "{dir}/" + std::string(300, 'n'), Refusal::too_long, false, true},
#else
      // The test's own standard error is a pipe or a terminal, never the null device.
      {"the program's own stream", replace, {}, "/dev/stderr", Refusal::standard_stream},
#endif
  };
  for (const Case& c : cases) {
    TempDir dir;
    std::filesystem::create_hard_link(testing::file_name(dir.write("in", "input")),
                                      testing::file_name(dir.path("in-too")));
    std::filesystem::create_hard_link(testing::file_name(dir.write("old", "old")),
                                      testing::file_name(dir.path("old-too")));
    auto expand = [&](std::string path) {
      return path.starts_with("{dir}") ? dir.root() + path.substr(5) : path;
    };
    std::optional<File> input = File::open_read(dir.path("in"));
    bool asked = false;
    const Existing existing = c.policy == refuse    ? Existing::refuse
                              : c.policy == replace ? Existing::replace
                                                    : Existing::ask;
    OutputDoor door({.avoid = identities({&*input}),
                     .existing = existing,
                     .confirm = [&](const std::string&) { return asked = true, c.policy == ask_yes; }});
    for (const std::string& earlier : c.earlier)
      ASSERT_FALSE(door.admit(expand(earlier))) << c.name;
    Result<Output, Refusal> output = door.open(expand(c.path));
    EXPECT_EQ(output.why().kind, c.refused) << c.name;
    EXPECT_EQ(static_cast<bool>(output), c.refused == Refusal::none) << c.name;
    EXPECT_EQ(asked, c.asked) << c.name;
    EXPECT_EQ(static_cast<bool>(output.why().reason), c.reason) << c.name;
    if (c.refused == Refusal::twice) {
      EXPECT_EQ(output.why().earlier, expand(c.earlier[0])) << c.name;
    }
    // Nothing is written before the output completes.
    EXPECT_EQ(dir.read("old"), "old") << c.name;
  }

  // "-" is standard output where the request says so, unless standard output is an input.
  OutputDoor commands({.existing = Existing::refuse, .dash_is_standard_output = true});
  Result<Output, Refusal> dash = commands.open("-");
  ASSERT_TRUE(dash);
  EXPECT_TRUE(dash->file().is_standard_stream());
  File out = File::standard_output();
  OutputDoor reading_it({.avoid = identities({&out}), .dash_is_standard_output = true});
  if (out.identity()) {
    EXPECT_EQ(reading_it.open("-").why().kind, Refusal::input);
  }
}

}  // namespace
}  // namespace varnelo
