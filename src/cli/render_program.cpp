#include "cli/render_program.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "core/errors.h"
#include "core/io/run_program.h"

namespace orlindel::cli {

namespace {

// Set by the build: where the package installs orlindel-render, and that
// path relative to the folder of the installed orlindel-cli.
#ifndef ORLINDEL_RENDER_PATH
#define ORLINDEL_RENDER_PATH ""
#endif
#ifndef ORLINDEL_RENDER_FROM_BINDIR
#define ORLINDEL_RENDER_FROM_BINDIR ""
#endif

[[noreturn]] void CannotRun(const std::string& program,
                            const std::string& reason) {
  throw FileError(FileError::Kind::kOpen, program,
                  "The render command needs the program " +
                      std::string(kRenderProgram) +
                      ", which draws the "
                      "preview; " +
                      reason);
}

}  // namespace

std::vector<std::string> RenderProgramCandidates(
    const std::string& executable, const std::string& relative_to_executable,
    const std::string& installed) {
  namespace fs = std::filesystem;
  std::vector<std::string> candidates;
  if (!executable.empty()) {
    const fs::path folder = fs::path(executable).parent_path();
    candidates.push_back((folder / kRenderProgram).string());
    if (!relative_to_executable.empty())
      candidates.push_back(
          (folder / relative_to_executable).lexically_normal().string());
  }
  if (!installed.empty()) candidates.push_back(installed);
  return candidates;
}

int RunRenderProgram(const CommandLine& line, CommandContext& context) {
  (void)context;  // orlindel-render reports on the same streams itself.
#ifdef _WIN32
  (void)line;
  CannotRun(kRenderProgram, "this build of orlindel-cli has no render command");
#else
  const std::vector<std::string> candidates = RenderProgramCandidates(
      io::ExecutablePath(), ORLINDEL_RENDER_FROM_BINDIR, ORLINDEL_RENDER_PATH);
  for (const std::string& candidate : candidates) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(candidate, error)) continue;
    std::vector<std::string> args{candidate};
    args.insert(args.end(), line.arguments.begin(), line.arguments.end());
    const int start_error = io::ReplaceProcess(candidate, args);
    CannotRun(candidate, "it cannot be started: " +
                             std::generic_category().message(start_error));
  }
  CannotRun(
      candidates.empty() ? std::string(kRenderProgram) : candidates.back(),
      "it is not installed");
#endif
}

}  // namespace orlindel::cli
