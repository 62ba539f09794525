// bench_run ROUNDS LIST: times whole processes, alternated run by run.
//
// LIST holds one command per line: GROUP, NAME and the argument vector, all
// separated by tabs (no shell, so nothing is quoted). Every command runs once
// unmeasured (to warm the page cache), then ROUNDS times; within a round each
// group's commands run one after another, starting one later each round, so
// that no command always follows the same one. Each run's wall time
// (monotonic clock around fork and wait) and processor time (user + system
// from wait4) are kept.
//
// Output, one tab-separated line per group and command, and per command for
// the group "all" (the sum over the groups within each round):
//   GROUP NAME WALL_US CPU_US WALL_RATIO CPU_RATIO
// Times are medians over the rounds. A ratio is the median over the rounds of
// this command's time divided by the time of the group's first command in the
// same round, so it is unaffected by load that changes between rounds.
// Standard output and error of the commands are discarded; a command that
// fails stops the run (exit 1).
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct command {
  std::string group;
  std::string name;
  std::vector<std::string> args;
  std::vector<double> wall;  // microseconds, one per round
  std::vector<double> cpu;
};

double now_us() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) * 1e6 + static_cast<double>(ts.tv_nsec) / 1e3;
}

// Runs one command with its output discarded; false when it did not exit 0.
bool run(const command& c, double& wall, double& cpu) {
  std::vector<char*> argv;
  for (const std::string& a : c.args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const double t0 = now_us();
  const pid_t pid = fork();
  if (pid < 0) return false;
  if (pid == 0) {
    const int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(null, 1);
    dup2(null, 2);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  rusage ru{};
  if (wait4(pid, &status, 0, &ru) != pid) return false;
  wall = now_us() - t0;
  cpu = static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) * 1e6 +
        static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Median over the rounds of a[r] / b[r].
double median_ratio(const std::vector<double>& a, const std::vector<double>& b) {
  std::vector<double> r;
  for (size_t i = 0; i < a.size(); i++) r.push_back(a[i] / b[i]);
  return median(r);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 || std::atoi(argv[1]) < 1) {
    std::fprintf(stderr, "usage: bench_run ROUNDS LIST\n");
    return 2;
  }
  const int rounds = std::atoi(argv[1]);
  std::ifstream in(argv[2]);
  if (!in) {
    std::fprintf(stderr, "bench_run: %s: cannot read\n", argv[2]);
    return 1;
  }
  std::vector<command> cmds;
  std::vector<std::string> groups;  // in order of appearance
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    std::vector<std::string> f;
    std::stringstream ss(line);
    std::string field;
    while (std::getline(ss, field, '\t')) f.push_back(field);
    if (f.size() < 3) {
      std::fprintf(stderr, "bench_run: %s: a line needs GROUP, NAME and a command: %s\n", argv[2], line.c_str());
      return 1;
    }
    if (std::find(groups.begin(), groups.end(), f[0]) == groups.end()) groups.push_back(f[0]);
    cmds.push_back({f[0], f[1], std::vector<std::string>(f.begin() + 2, f.end()), {}, {}});
  }

  for (int r = -1; r < rounds; r++) {  // round -1 warms up
    for (const std::string& g : groups) {
      std::vector<command*> gc;
      for (command& c : cmds)
        if (c.group == g) gc.push_back(&c);
      for (size_t k = 0; k < gc.size(); k++) {
        command& c = *gc[(k + static_cast<size_t>(r + 1)) % gc.size()];
        double wall = 0, cpu = 0;
        if (!run(c, wall, cpu)) {
          std::fprintf(stderr, "bench_run: %s failed:", c.name.c_str());
          for (const std::string& a : c.args) std::fprintf(stderr, " %s", a.c_str());
          std::fprintf(stderr, "\n");
          return 1;
        }
        if (r >= 0) {
          c.wall.push_back(wall);
          c.cpu.push_back(cpu);
        }
      }
    }
  }

  // Per group, then the sums per command name over the groups.
  std::map<std::string, std::vector<double>> sum_wall, sum_cpu;
  std::vector<std::string> names;
  for (const std::string& g : groups) {
    const command* first = nullptr;
    for (const command& c : cmds) {
      if (c.group != g) continue;
      if (!first) first = &c;
      std::printf("%s\t%s\t%.0f\t%.0f\t%.4f\t%.4f\n", g.c_str(), c.name.c_str(), median(c.wall), median(c.cpu),
                  median_ratio(c.wall, first->wall), median_ratio(c.cpu, first->cpu));
      if (!sum_wall.count(c.name)) {
        names.push_back(c.name);
        sum_wall[c.name].assign(static_cast<size_t>(rounds), 0.0);
        sum_cpu[c.name].assign(static_cast<size_t>(rounds), 0.0);
      }
      for (int r = 0; r < rounds; r++) {
        sum_wall[c.name][static_cast<size_t>(r)] += c.wall[static_cast<size_t>(r)];
        sum_cpu[c.name][static_cast<size_t>(r)] += c.cpu[static_cast<size_t>(r)];
      }
    }
  }
  if (groups.size() > 1) {
    const std::string& base = names.front();
    for (const std::string& n : names) {
      std::printf("all\t%s\t%.0f\t%.0f\t%.4f\t%.4f\n", n.c_str(), median(sum_wall[n]), median(sum_cpu[n]),
                  median_ratio(sum_wall[n], sum_wall[base]), median_ratio(sum_cpu[n], sum_cpu[base]));
    }
  }
  return std::fflush(stdout) == 0 ? 0 : 1;
}
