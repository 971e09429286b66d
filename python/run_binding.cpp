// helisolv.run: a whole run of a task in memory, with the console program's
// command-line options; the GIL is given up while it runs.
#include "arguments.hpp"
#include "bindings.hpp"
#include "helisolv/run.hpp"
#include "run_result.hpp"

namespace helisolv::python {

namespace {

PyRunResult runTask(const py::object& task, const py::object& answers, const py::object& args,
                    const py::object& language) {
  // A helisolv.Task runs as its keyword file.
  const std::string taskText = py::hasattr(task, "to_toml")
                                   ? task.attr("to_toml")().cast<std::string>()
                                   : textArgument(task, "task");
  const std::string answerText = textArgument(answers, "answers");
  std::vector<std::string> arguments = argsArgument(args);
  // language="en" is --lang=en; the command line's check refuses other names.
  if (!language.is_none()) arguments.push_back("--lang=" + py::str(language).cast<std::string>());
  RunOptions options;
  if (auto ended = parseRunArguments(arguments, options)) {
    if (ended->exitStatus == ExitStatus::CommandLineError) {
      // The command line's own message: why, then the usage line.
      std::string why = ended->errors;
      if (why.starts_with("helisolv: ")) why.erase(0, 10);
      while (!why.empty() && why.back() == '\n') why.pop_back();
      badValue("args: " + why);
    }
    return PyRunResult(std::move(*ended));
  }
  RunResult result;
  {
    py::gil_scoped_release release;
    result = run(taskText, answerText, options);
  }
  // A --csv folder that cannot be used is a bad argument, as on the command
  // line, where it stops the run before it starts.
  if (result.exitStatus == ExitStatus::CommandLineError) {
    std::string why = result.errors;
    if (why.starts_with("helisolv: ")) why.erase(0, 10);
    while (!why.empty() && why.back() == '\n') why.pop_back();
    badValue("args: " + why);
  }
  return PyRunResult(std::move(result));
}

}  // namespace

void bindRun(py::module_& m) {
  m.def("run", &runTask,
        "run(task, answers=\"\", args=(), *, language=None) -> RunResult\n\n"
        "Runs the task file's text (str, bytes, bytearray or memoryview) with the console answers, "
        "one line each, "
        "as the console program in a folder holding it as Helisolv.Tsk, but in memory: no "
        "file is read or written unless args names --csv DIR, and a pause reply never runs "
        "as a command. args are the console program's options, e.g. "
        "(\"--viscous-correction=ittc78\",); a bytes or os.PathLike item is a path. A relative "
        "--csv folder is resolved once, when the run starts. language=\"en\" (or \"--lang=en\" "
        "in args) prints every text in English, the numbers the same.",
        py::arg("task"), py::arg("answers") = "", py::arg("args") = py::tuple(), py::kw_only(),
        py::arg("language") = py::none());
}

}  // namespace helisolv::python
