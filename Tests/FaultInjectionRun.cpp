#include "FaultInjectionRun.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>

#include <CLI/CLI.hpp>

#include "console/RecoveryRun.h"
#include "hub/ExportCommand.h"
#include "hub/HubOptions.h"
#include "hub/UndoCommand.h"
#include "mevcore/filesupport/FaultInjectingDisk.h"
#include "mevstorage/git/Storage.h"

namespace velders {
namespace faults {
namespace {

using mevcore::filesupport::FaultPlan;

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteWhole(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  if (!out) throw std::runtime_error("cannot write " + path);
}

struct RunFiles {
  std::string answers, transcript, result;
};

RunFiles FilesOf(const PristineHub& hub) {
  const std::string run = hub.Scratch() + "/run-";
  return {run + "answers", run + "transcript", run + "result"};
}

void RedirectOrDie(const std::string& path, int flags, int target) {
  const int fd = ::open(path.c_str(), flags, 0600);
  if (fd < 0 || ::dup2(fd, target) < 0) ::_exit(127);
  ::close(fd);
}

// The child: the program's own environment, then `program` under the plan.
[[noreturn]] void RunChild(const PristineHub& hub, const RunFiles& files, int (*program)(),
                           FaultPlan plan) {
  ::setenv("HOME", hub.Home().c_str(), 1);
  ::setenv("XDG_STATE_HOME", hub.StateFolder().c_str(), 1);
  ::setenv("TZ", "UTC0", 1);
  ::tzset();
  RedirectOrDie(files.answers, O_RDONLY, 0);
  RedirectOrDie(files.transcript, O_WRONLY | O_CREAT | O_TRUNC, 2);
  if (::dup2(2, 1) < 0) ::_exit(127);
  mevcore::filesupport::RealDiskInterface real;
  mevcore::filesupport::FaultInjectingDisk disk(real);
  mevcore::filesupport::SetFaultPlan(&plan);
  int code = 0;
  std::string escaped;
  try {
    mevcore::filesupport::ScopedDisk scoped(disk);
    code = program();
    std::cout.flush();
  } catch (const std::exception& error) {
    // The program itself would end here, without its summary.
    code = kUncaughtExitCode;
    escaped = error.what();
  }
  mevcore::filesupport::SetFaultPlan(nullptr);
  const std::string result =
      std::to_string(plan.Calls()) + "\n" + plan.FiredCall() + "\n" + escaped;
  const int fd = ::open(files.result.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (fd < 0 || ::write(fd, result.data(), result.size()) != static_cast<ssize_t>(result.size()))
    ::_exit(126);
  ::close(fd);
  ::_exit(code);
}

void ReadResult(const std::string& path, RunOutcome* outcome) {
  std::istringstream result(ReadWhole(path));
  result >> outcome->calls;
  result.ignore(1);
  std::getline(result, outcome->firedCall);
  std::getline(result, outcome->escaped, '\0');
}

RunOutcome RunInChild(const PristineHub& hub, const std::string& answers, int (*program)(),
                      FaultPlan plan) {
  const RunFiles files = FilesOf(hub);
  const std::string log = hub.StateFolder() + "/Velders Recovery/log.jsonl";
  WriteWhole(files.answers, answers);
  std::remove(files.result.c_str());
  std::remove(log.c_str());
  std::fflush(nullptr);
  const pid_t child = ::fork();
  if (child < 0) throw std::runtime_error("fork failed");
  if (child == 0) RunChild(hub, files, program, plan);
  int status = 0;
  if (::waitpid(child, &status, 0) != child) throw std::runtime_error("waitpid failed");

  RunOutcome outcome;
  outcome.exited = WIFEXITED(status);
  outcome.exitCode = outcome.exited ? WEXITSTATUS(status) : -1;
  outcome.transcript = ReadWhole(files.transcript);
  outcome.log = ReadWhole(log);
  outcome.crashed = outcome.exited && outcome.exitCode == kCrashExitCode;
  if (!outcome.crashed) ReadResult(files.result, &outcome);
  return outcome;
}

int RunRecoveryProgram() { return RunRecovery(); }

// What the child's velders-hub runs, set before the fork.
std::string hubArguments;
std::uint64_t hubFileSizeLimit = 0;

// The subcommand as velders-hub runs it, the storage library started around
// the parse.
int RunHubProgram() {
  if (hubFileSizeLimit > 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    const struct rlimit limit = {hubFileSizeLimit, hubFileSizeLimit};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return kUncaughtExitCode;
  }
  CLI::App program("velders-hub");
  int exitCode = hub::kExitOk;
  hub::AddUndoCommand(program, exitCode);
  hub::AddExportCommand(program, exitCode);
  mevstorage::git::Startup();
  program.parse(hubArguments, false);
  mevstorage::git::Shutdown();
  return exitCode;
}

}  // namespace

std::string RecoverAllAnswers(bool upgrade) { return upgrade ? "n\ny\ny\n\n" : "n\ny\nn\n\n"; }

RunOutcome RunRecoveryInChild(const PristineHub& hub, const std::string& answers, FaultPlan plan) {
  return RunInChild(hub, answers, RunRecoveryProgram, plan);
}

RunOutcome RunUndoAllInChild(const PristineHub& hub, FaultPlan plan) {
  return RunHubInChild(hub, "undo --all", plan);
}

RunOutcome RunHubInChild(const PristineHub& hub, const std::string& arguments, FaultPlan plan,
                         std::uint64_t fileSizeLimit) {
  hubArguments = arguments;
  hubFileSizeLimit = fileSizeLimit;
  return RunInChild(hub, "", RunHubProgram, plan);
}

}  // namespace faults
}  // namespace velders
