// Rendering many files: each input goes to a folder under its own name (with a suffix if
// asked), several at a time, each in a process of its own with its own plug-in instance
// (the plug-in's dither generator belongs to its loaded library, so separate processes
// keep every render exactly as it would be alone). A file that fails does not stop the
// others.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tarvo::render {

struct BatchJob {
  std::string input, output;  // UTF-8 paths
};

// The output of each input: `folder`/<name without extension><suffix><extension>, the
// extension the input's own unless `extension` (".wav", ...) is given. Throws
// std::invalid_argument when two inputs would be written to the same file or an output
// would be its own input.
std::vector<BatchJob> planBatch(const std::vector<std::string>& inputs, const std::string& folder,
                                const std::string& suffix,
                                const std::optional<std::string>& extension);

// Runs `program options... INPUT OUTPUT --json` for each job, at most `parallel` at once,
// and prints one line per file as it finishes (or, with `json`, its JSON object), then a
// total. Answers the number of files that failed.
int runBatch(const std::string& program, const std::vector<std::string>& options,
             const std::vector<BatchJob>& jobs, int parallel, bool json);

// The running program's own path, for starting the jobs.
std::string ownProgramPath();

}  // namespace tarvo::render
