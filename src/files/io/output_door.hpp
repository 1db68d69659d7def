#pragma once

// The one door to every output. A request names the files its outputs must not be and what to
// do with a file already there; the door answers each name with an Output, or with the reason
// it refused as a value. Faces only word the refusal and, where they ask, the question.

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "io/output.hpp"
#include "io/result.hpp"

namespace varnelo {

// What becomes of a file that is already at an output's name.
enum class Existing { ask, refuse, replace };

// Why the door turned a name away.
struct Refusal {
  enum Kind {
    none,
    input,            // it reaches one of the files to avoid (an input, a key), by whatever route
    standard_stream,  // it reaches the program's own standard input, output or error
    twice,            // it reaches the same file as an earlier name of the set
    exists,           // a file is there, and the request does not replace files
    declined,         // a file is there, and the question was answered no
    too_long,         // the system takes no file by that name
    unwritable,       // the system refused to create or write it
    closed_stream,    // "-", and standard output was closed when the program started
  };
  Kind kind = none;
  std::string path;
  // With twice: the earlier name of the set.
  std::string earlier;
  // With too_long and unwritable: what the system said.
  SystemError reason;

  explicit operator bool() const { return kind != none; }
};

struct OutputRequest {
  // Open files the outputs must not be.
  std::vector<FileIdentity> avoid;
  Existing existing = Existing::ask;
  // With ask: the question about the file at `path`; true replaces it. A name that reaches an
  // earlier one of the set is asked about too, as a name given twice.
  std::function<bool(const std::string& path)> confirm;
  // "-" is the program's standard output (the commands) rather than a file of that name.
  bool dash_is_standard_output = false;
  // A device or pipe already there (written to, never replaced) is taken without the question
  // or the refusal that a file there gets.
  bool devices_as_they_are = false;
};

// The door for one request: a single output, or the members of a set (the pieces of a split),
// each name admitted against the ones before it.
class OutputDoor {
 public:
  explicit OutputDoor(OutputRequest request) : request_(std::move(request)) {}

  // Every check of a name before anything is written, the question included; once admitted, a
  // name is one of the set. Faces that check all names before the first is written admit them
  // first; otherwise open() admits each name in its turn.
  Refusal admit(const std::string& path);
  // Admits the names of a set in turn, up to the first refused.
  Refusal admit_all(const std::vector<std::string>& paths);
  // Opens a name, admitting it first unless it was already: a name the system cannot take is
  // refused before anything is written.
  Result<Output, Refusal> open(const std::string& path);

 private:
  OutputRequest request_;
  // The names admitted so far, and the files they write.
  std::vector<std::pair<OutputKey, std::string>> admitted_;
};

}  // namespace varnelo
