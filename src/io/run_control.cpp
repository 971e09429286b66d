#include "io/run_control.hpp"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ostream>
#include <string>

#include "io/console.hpp"
#include "io/reader.hpp"
#include "io/runtime_error.hpp"

namespace helisolv {

namespace {

// Runs a pause reply as a command through the command interpreter named by
// COMSPEC and waits for it. Without one nothing runs: a word typed at an
// Enter prompt must never start a program by accident.
void runCommand(Session& io, const std::string& command) {
  if (!io.pauseRepliesRunAsCommands) {
    if (std::ostream* err = io.ch.errors)
      *err << "helisolv: pause reply not run as a command (a library run never runs one)\n";
    return;
  }
  const char* shell = std::getenv("COMSPEC");
  if (!shell || !*shell) {
    if (std::ostream* err = io.ch.errors) {
      *err << "helisolv: pause reply not run as a command (set COMSPEC to a command interpreter "
              "to run it)\n";
      err->flush();
    }
    return;
  }
  flushOutputs(io);
  if (io.beforeCommand) io.beforeCommand();
  pid_t child = fork();
  if (child == 0) {
    // Console answers that come from a file or pipe stay with the program.
    if (!isatty(STDIN_FILENO)) {
      int devnull = open("/dev/null", O_RDONLY);
      if (devnull >= 0) dup2(devnull, STDIN_FILENO);
    }
    // The program ignores a closed pipe to report it; the command keeps the
    // usual end by SIGPIPE (an ignored signal stays ignored across exec).
    signal(SIGPIPE, SIG_DFL);
    execl(shell, shell, "-c", command.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  if (child > 0) {
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
  }
}

}  // namespace

void pause(Session& io, std::string_view turkishMessage) {
  const std::string_view message = localized(io, turkishMessage);
  if (io.lineOpen) consoleText(io, "\r\n");
  consoleText(io, message);
  consoleText(io, "\r\n");
  flushConsole(io);
  showWarnings(io);
  // The end of the console input continues the run like an empty reply.
  constexpr size_t kMaxReply = 128;
  std::string reply =
      readWholeLine(io, Unit::Keyboard, "; the reply to the pause " + quoted(message));
  while (!reply.empty() && (reply.back() == ' ' || reply.back() == '\t')) reply.pop_back();
  if (reply.size() < 2) return;
  // A command cut short is not the command typed: it never runs.
  std::string notRun;
  if (reply.size() > kMaxReply)
    notRun = "it is longer than " + std::to_string(kMaxReply) +
             " characters, the longest reply a pause takes";
  else if (reply.find('\0') != std::string::npos)
    notRun = "it holds a NUL byte, where the command would be cut short";
  if (notRun.empty()) return runCommand(io, reply);
  if (std::ostream* err = io.ch.errors) {
    *err << "helisolv: pause reply not run as a command: " << notRun << "\n";
    err->flush();
  }
}

void stop(Session& io, Outcome outcome) {
  if (io.lineOpen) consoleText(io, "\r\n");
  consoleText(io, "Stop - Program terminated.\r\n");
  flushConsole(io);
  flushOutputs(io);
  showWarnings(io);
  throw RunEnd{exitStatus(outcome)};
}

}  // namespace helisolv
