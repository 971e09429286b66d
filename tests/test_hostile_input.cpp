// Hostile task files and console answers, run through the real binary. Every
// run must end by a stop (status 0) or a run-time error report (status 1)
// within seconds, never print "nan" or "inf", and leave a result file that
// holds exactly the records of that run.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Hostile {
  std::string name;
  std::string task;     // whole task file
  std::string answers;  // console answers
  int status;           // expected exit status
  std::string shows;    // text the console, the result file or the error report must hold
};

std::string freeLines(int from, int to) {
  std::string s;
  for (int i = from; i <= to; ++i) s += "serbest satir " + std::to_string(i) + "\n";
  return s;
}

std::string task(const std::string& series, const std::string& type, const std::string& inputs) {
  return freeLines(1, 13) + series + "\n" + freeLines(15, 77) + type + "\n" + inputs + "\n";
}

// A sound input line for each problem type, and where its diameter, revolutions,
// speed, density, blade count and area ratio stand in it (-1: not read).
struct TypeInputs {
  int type;
  std::vector<std::string> values;
  int d, n, va, rho, z, ear;
  std::string answers;
};

const std::vector<TypeInputs>& typeInputs() {
  static const std::vector<TypeInputs> all = {
      {1, {"350", "4", "6", "1025", "4", "0.55"}, 1, -1, 2, 3, 4, 5, "H\n"},
      {2, {"600", "200", "7", "1025", "4", "0.7"}, -1, 1, 2, 3, 4, 5, ""},
      {3, {"5000", "7", "150", "1025", "4", "0.7"}, -1, 2, 1, 3, 4, 5, ""},
      {4, {"2000", "150", "1025", "4", "0.55", "3.0", "3.5", "4.0"}, 5, 1, -1, 2, 3, 4, "1\n"},
      {5, {"1.0", "4", "0.55"}, -1, -1, -1, -1, 1, 2, "E\n4 150\n"},
      {6, {"1.0", "4", "0.55", "1025", "4.0", "150", "6.2", "1"}, 4, 5, 6, 3, 1, 2, ""},
      {7, {"27.95", "162.66", "4", "0.6", "1025", "2.5", "546", "12", "0"}, 5, 6, 7, 4, 2, 3, ""},
      {8, {"420", "4.6", "120", "6.2", "1025", "4", "0.75", "1", "4.5"}, 1, 2, 3, 4, 5, 6, ""},
      {9, {"4000", "4.6", "120", "6.2", "1025", "4", "0.75", "1", "4.5"}, 1, 2, 3, 4, 5, 6, ""},
      {10, {"320", "4.6", "120", "6.2", "1025", "4", "0.75", "1", "4.5"}, 1, 2, 3, 4, 5, 6, ""},
  };
  return all;
}

std::string joined(const std::vector<std::string>& v) {
  std::string s;
  for (const auto& x : v) s += (s.empty() ? "" : " ") + x;
  return s;
}

std::vector<Hostile> cases() {
  std::vector<Hostile> c;
  const std::string type0 = task("1", "0", "");
  c.push_back({"empty_file", "", "", 1, "end of file"});
  c.push_back(
      {"only_77_lines", freeLines(1, 13) + "1\n" + freeLines(15, 77), "", 1, "end of file"});
  std::string blob;
  for (int i = 0; i < 4096; ++i) blob += static_cast<char>((i * 7919 + 13) % 256);
  c.push_back({"binary_blob", blob, "", 1, "run-time error"});
  c.push_back({"ten_megabyte_free_line",
               std::string(10 * 1024 * 1024, 'x') + "\n" + type0.substr(type0.find('\n') + 1), "",
               0, "Stop - Program terminated."});
  c.push_back({"ten_megabyte_series_line",
               freeLines(1, 13) + std::string(10 * 1024 * 1024, '7') + "\n", "", 1,
               "integer out of range"});
  std::string crlf;
  for (char ch : task("1", "5", "1.0 4 0.55"))
    crlf += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
  c.push_back({"dos_line_ends", crlf, "H\n", 0, "HESAPLARDA WAGENINGEN B SERISI"});
  std::string cr = task("1", "5", "1.0 4 0.55");
  for (char& ch : cr)
    if (ch == '\n') ch = '\r';
  c.push_back({"carriage_returns_only", cr, "", 1, "end of file"});
  c.push_back({"tab_separated_inputs", task("1", "5", "1.0\t4\t0.55"), "H\n", 0, "KULLANILMISTIR"});
  c.push_back(
      {"problem_type_2147483648", task("1", "2147483648", ""), "", 1, "integer out of range"});
  c.push_back({"series_type_negative", task("-1", "5", "1.0 4 0.55"), "", 0, "Data Giris Hata"});
  c.push_back({"real_1e39", task("1", "5", "1e39 4 0.55"), "", 1, "invalid real"});
  c.push_back(
      {"real_nan", task("1", "8", "nan 4.6 120 6.2 1025 4 0.75 1 4.5"), "", 1, "invalid real"});
  c.push_back({"real_minus_zero_diameter", task("1", "8", "420 -0 120 6.2 1025 4 0.75 1 4.5"), "",
               0, "sifirdan buyuk olmalidir"});
  c.push_back({"repeat_count_2000000000",
               task("1", "8", "420 4.6 120 6.2 1025 4 0.75 1 2000000000*4.5"), "", 0,
               "HESAPLARDA WAGENINGEN B SERISI"});
  c.push_back({"slash_before_first_value", task("1", "8", "/ 420 4.6"), "", 0, "Data Giris Hata"});
  c.push_back({"console_ends_at_a_question", task("1", "5", "1.0 4 0.55"), "", 1, "end of file"});

  // Every problem type with zero and negative diameter, revolutions, speed and
  // density, and with hostile area ratios and blade counts.
  for (const auto& t : typeInputs()) {
    struct Field {
      const char* name;
      int index;
    };
    const Field dividers[] = {{"D", t.d}, {"N", t.n}, {"Va", t.va}, {"rho", t.rho}};
    const std::string prefix = "type" + std::to_string(t.type) + "_";
    for (const auto& f : dividers) {
      if (f.index < 0) continue;
      for (const char* v : {"0", "-3"}) {
        auto values = t.values;
        values[static_cast<size_t>(f.index)] = v;
        c.push_back({prefix + f.name + (v[0] == '-' ? "_negative" : "_zero"),
                     task("1", std::to_string(t.type), joined(values)), t.answers, 0, ""});
      }
    }
    for (const char* v : {"0", "1e-30", "1e30"}) {
      auto values = t.values;
      values[static_cast<size_t>(t.ear)] = v;
      c.push_back(
          {prefix + "area_ratio_" + (v[1] == 'e' ? (v[2] == '-' ? "tiny" : "huge") : "zero"),
           task("1", std::to_string(t.type), joined(values)), t.answers, 0, ""});
    }
    for (const char* v : {"0", "0.5", "1e30"}) {
      for (const char* series : {"1", "2"}) {
        auto values = t.values;
        values[static_cast<size_t>(t.z)] = v;
        c.push_back({prefix + "blades_" +
                         (v[1] == 'e'   ? "huge"
                          : v[1] == '.' ? "half"
                                        : "zero") +
                         "_series" + series,
                     task(series, std::to_string(t.type), joined(values)), t.answers, 0, ""});
      }
    }
  }
  // Extreme but readable values in several inputs at once, with both series.
  struct Extreme {
    int type;
    const char* inputs;
    const char* answers;
  };
  const Extreme extremes[] = {
      {1, "1e-30 1e-20 1e-20 1e-30 4 0.55", "H\n"},
      {1, "3e38 3e38 3e38 3e38 4 0.55", "H\n"},
      {1, "0 4 6 1025 4 0.55", "H\n"},
      {2, "1e30 1e-10 1e-10 1e-30 4 0.55", ""},
      {2, "400 150 6 1025 -7 1.05", ""},
      {3, "3e38 1e-10 3e38 1e-30 3 0.55", ""},
      {3, "-5 6 150 1025 4 0.3", ""},
      {4, "1e30 150 1025 4 0.55 3 3.5 4", "1\n"},
      {4, "2000 1e-20 1025 4 0.55 3 3.5 4", "1\n"},
      {4, "2000 1e20 1e30 4 0.55 1e10 3.5 4", "1\n"},
      {4, "-2000 150 1025 4 0.55 3 3.5 4", "1\n"},
      {5, "1e30 4 0.55", "H\n"},
      {5, "1.0 1e10 0.55", "E\n1e-30 1e30\n"},
      {5, "-1 1e10 0.55", "E\n1e30 1e-30\n"},
      {6, "1.0 4 0.55 1025 1e-30 1e-30 6 0", ""},
      {6, "1.0 4 0.55 1025 4 150 1e30 1", ""},
      {6, "1.0 4 0.55 1025 4 150 -3 0", ""},
      {6, "1e30 4 0.55 1e30 1e30 1e30 1e-30 0", ""},
      {6, "1.0 1e10 0.55 1025 4 150 6 1", ""},
      {7, "1e30 1e-30 4 0.6 1025 2.5 546 12 1", ""},
      {7, "0 3e38 1e30 5 1e30 1e30 1e30 1 0", ""},
      {7, "-5 200 4 0.6 1025 2.5 546 12 0", ""},
      {8, "3e38 1e-30 3e38 1e-30 3e38 4 0.75 1 -5", ""},
      {9, "-4000 4.6 120 6.2 1025 4 0.75 1 4.5", ""},
      {10, "1e30 1e30 1e-30 1e30 1e-30 4 0.75 1 1e30", ""},
  };
  int extremeNumber = 0;
  for (const auto& e : extremes)
    for (const char* series : {"1", "2"})
      c.push_back({"extreme_" + std::to_string(++extremeNumber) + "_type" + std::to_string(e.type) +
                       "_series" + series,
                   task(series, std::to_string(e.type), e.inputs), e.answers, 0, ""});
  // The console diameter and revolutions of the open-water table.
  for (const char* dn : {"0 150", "4 0", "-4 150", "4 -150", "1e30 1e30", "1e-30 150"})
    c.push_back({std::string("type5_console_D_N_") + dn, task("1", "5", "1.0 4 0.55"),
                 std::string("E\n") + dn + "\n", 0, ""});
  // Answers of every kind to the questions of types 1 and 4.
  c.push_back({"type1_index_out_of_range_then_valid", task("1", "1", "60 5 7 1025 4 0.55"),
               "E\n0\n-5\n99999\n1\n", 0, "Gecersiz indis"});
  c.push_back({"type4_choices_out_of_range", task("1", "4", "2000 150 1025 4 0.55 3.0 3.5 4.0"),
               "0\n-1\n2147483647\n3\n", 0, "GECERSIZ SECIM"});
  for (auto& h : c) {
    for (char& ch : h.name)
      if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
    h.answers += std::string(40, '\n');
  }
  // The run that ends at a question must not get blank answers.
  for (auto& h : c)
    if (h.name == "console_ends_at_a_question") h.answers.clear();
  return c;
}

std::string slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Shows a case by its name in test reports.
void PrintTo(const Hostile& h, std::ostream* os) {
  *os << h.name;
}

class HostileInput : public ::testing::TestWithParam<Hostile> {};

TEST_P(HostileInput, EndsCleanly) {
  const Hostile& h = GetParam();
  const fs::path work =
      fs::temp_directory_path() / ("helisolv_hostile_" + h.name + "_" + std::to_string(getpid()));
  fs::remove_all(work);
  fs::create_directories(work);
  std::ofstream(work / "Helisolv.Tsk", std::ios::binary) << h.task;
  std::string old;
  for (int i = 0; i < 2000; ++i) old += "ESKI KAYIT\r\n";
  std::ofstream(work / "Helisolv.Son", std::ios::binary) << old;
  std::ofstream(work / "answers.txt", std::ios::binary) << h.answers;

  const std::string cmd = "cd '" + work.string() + "' && COMSPEC=/bin/true timeout 20 '" +
                          HELISOLV_BINARY + "' < answers.txt > stdout.bin 2> stderr.bin";
  const int raw = std::system(cmd.c_str());
  ASSERT_TRUE(WIFEXITED(raw));
  ASSERT_NE(WEXITSTATUS(raw), 124) << "the run did not end within 20 seconds";
  EXPECT_EQ(WEXITSTATUS(raw), h.status) << slurp(work / "stderr.bin");

  const std::string out = slurp(work / "stdout.bin");
  const std::string son = slurp(work / "Helisolv.Son");
  const std::string err = slurp(work / "stderr.bin");
  for (const char* bad : {"nan", "inf", "NAN", "INF"}) {
    EXPECT_EQ(out.find(bad), std::string::npos) << bad << " on the console";
    EXPECT_EQ(son.find(bad), std::string::npos) << bad << " in the result file";
  }
  EXPECT_EQ(son.find("ESKI KAYIT"), std::string::npos) << "old records left in the result file";
  EXPECT_EQ(
      son.rfind(" ------------------------------------------------------------------------\r\n", 0),
      0u);
  EXPECT_TRUE(son.size() >= 2 && son.compare(son.size() - 2, 2, "\r\n") == 0);
  if (h.status == 1) {
    EXPECT_EQ(err.rfind("\nrun-time error ", 0), 0u) << err;
  } else {
    EXPECT_EQ(err, "");
  }
  if (!h.shows.empty()) {
    EXPECT_TRUE(out.find(h.shows) != std::string::npos || err.find(h.shows) != std::string::npos)
        << "expected to see: " << h.shows;
  }
  fs::remove_all(work);
}

INSTANTIATE_TEST_SUITE_P(Tasks, HostileInput, ::testing::ValuesIn(cases()),
                         [](const ::testing::TestParamInfo<Hostile>& p) { return p.param.name; });

}  // namespace
